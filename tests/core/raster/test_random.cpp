#include "core/raster/random.h"
#include "core/raster/thread_pool.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    void init() { seedRandom(); }

    void sequenceStartsLikeTheClassicGenerator();
    void seedRandomStartsOver();
    void everyThreadStartsAtOne();
    void randomBelowIsTheScaledDoubleProduct();
    void randomBelowStaysInRange_data();
    void randomBelowStaysInRange();
    void localStateGivesTheSameSequence();
    void jumpEqualsSingleSteps();
};

void TestRandom::sequenceStartsLikeTheClassicGenerator()
{
    // state = state * 1103515245 + 12345 from 1, output bits 16..30.
    const int expected[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419};
    for (int value : expected)
        QCOMPARE(random15(), value);
}

void TestRandom::seedRandomStartsOver()
{
    // state 1 * 1103515245 + 12345 -> output 16838; 16838 / 32768 * 100 = 51.4.
    QCOMPARE(randomBelow(100), 51);
    QCOMPARE(randomState(), 1103527590u);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(randomBelow(1000));
    seedRandom();
    QCOMPARE(random15(), 16838);
    QCOMPARE(randomState(), 1103527590u);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(randomBelow(1000), first[size_t(i)]);
}

void TestRandom::everyThreadStartsAtOne()
{
    for (int i = 0; i < 100; ++i)
        random15();
    int inThread = -1;
    std::thread other([&] { inThread = random15(); });
    other.join();
    QCOMPARE(inThread, 16838);
    int below = -1;
    std::thread([&below] { below = randomBelow(100); }).join();
    QCOMPARE(below, 51);
    // The other thread's draws did not move this thread's state.
    const std::uint32_t here = randomState();
    std::thread([] { random15(); }).join();
    QCOMPARE(randomState(), here);
    // So do the pool's helpers, each time they are handed work, whatever they drew before.
    for (int round = 0; round < 3; ++round) {
        std::vector<int> first(4, -1);
        std::atomic<int> started{0};
        runOnPool(4, [&](int worker) {
            first[size_t(worker)] = random15();
            random15();
            ++started;
            const QDeadlineTimer deadline(10000);
            while (worker == 0 && started < 4 && !deadline.hasExpired())
                std::this_thread::yield();
        });
        QCOMPARE(std::vector<int>(first.begin() + 1, first.end()), std::vector<int>(3, 16838));
    }
}

void TestRandom::randomBelowIsTheScaledDoubleProduct()
{
    const int ns[] = {1, 2, 7, 8, 100, 32768, 65537, 1 << 30, -1, -7, -100000, 0};
    for (int n : ns) {
        for (int i = 0; i < 2000; ++i) {
            std::uint32_t a = randomState();
            std::uint32_t b = a;
            const int expected = static_cast<int>(nextRandom15(a) * (1.0 / 32768.0) * n);
            QCOMPARE(randomBelowFrom(b, n), expected);
            setRandomState(b);
        }
    }
}

void TestRandom::randomBelowStaysInRange_data()
{
    QTest::addColumn<int>("n");
    for (int n : {0, 1, 2, 7, 8, 100, 32768, 1000000})
        QTest::addRow("%d", n) << n;
}

void TestRandom::randomBelowStaysInRange()
{
    QFETCH(int, n);
    const int values = std::max(n, 1); // 0 gives 0 only, as 1 does
    const int draws = 20000;
    std::vector<int> seen(size_t(std::min(values, 8)));
    int highest = 0;
    for (int i = 0; i < draws; ++i) {
        const int value = randomBelow(n);
        QVERIFY(value >= 0 && value < values);
        highest = std::max(highest, value);
        if (value < int(seen.size()))
            ++seen[size_t(value)];
    }
    // The range is used to its top, not just its bottom, and a few values come about equally often.
    QVERIFY(highest >= values * 9 / 10 - 1);
    if (values <= 8) {
        for (int count : seen)
            QVERIFY(count > draws / values * 6 / 10);
    }
}

void TestRandom::localStateGivesTheSameSequence()
{
    QVector<int> direct;
    for (int i = 0; i < 50; ++i)
        direct.append(randomBelow(i + 1));
    const std::uint32_t end = randomState();
    seedRandom();
    std::uint32_t state = randomState();
    for (int i = 0; i < 50; ++i)
        QCOMPARE(randomBelowFrom(state, i + 1), direct.at(i));
    QCOMPARE(state, end);
}

void TestRandom::jumpEqualsSingleSteps()
{
    // From several states, every count up to 300 and one as large as 2 * W * y of a picture.
    for (const std::uint32_t start : {1u, 12345u, 0xFFFFFFFFu, 2654435761u}) {
        std::uint32_t stepped = start;
        for (std::uint64_t steps = 0; steps <= 300; ++steps) {
            QCOMPARE(jumpRandom(start, steps), stepped);
            nextRandom15(stepped);
        }
        const std::uint64_t far = 2 * 4000 * 2999;
        stepped = start;
        for (std::uint64_t i = 0; i < far; ++i)
            nextRandom15(stepped);
        QCOMPARE(jumpRandom(start, far), stepped);
        // The generator's period is 2^32.
        QCOMPARE(jumpRandom(start, std::uint64_t(1) << 32), start);
    }
}

QTEST_GUILESS_MAIN(TestRandom)
#include "test_random.moc"
