#include "core/framework/result_cache.h"
#include "core/raster/raster_primitives.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

CacheKey key(const QByteArray& digest, const QString& text)
{
    return CacheKey{digest, text};
}

} // namespace

class TestResultCache : public QObject
{
    Q_OBJECT

private slots:
    void keysOrderByDigestBytesThenText();
    void seventhInsertionEvictsTheSmallestKey();
    void replacingAPresentKeyStillEvicts();
    void keyHoldsValuesOnly();
    void anotherPictureNeverHits();
};

void TestResultCache::keysOrderByDigestBytesThenText()
{
    // Digest bytes compare unsigned: 0x80 sorts after 0x7f.
    QVERIFY(key("\x7f", "z") < key("\x80", "a"));
    QVERIFY(!(key("\x80", "a") < key("\x7f", "z")));
    QVERIFY(key("ab", "z") < key("abc", "a"));
    QVERIFY(key("ab", "a") < key("ab", "b"));
    QVERIFY(!(key("ab", "a") < key("ab", "a")));
}

void TestResultCache::seventhInsertionEvictsTheSmallestKey()
{
    ResultCache cache;
    const QByteArray digest = imageDigest(solidPicture(8, 8, 0xFF102030));
    const QStringList texts = {"Pencil5", "Pencil3", "Pencil9", "Pencil1", "Pencil7", "Pencil4"};
    for (const QString& text : texts)
        cache.insert(key(digest, text), solidPicture(8, 8, 0xFF000000u | text.back().unicode()));
    QCOMPARE(cache.size(), 6);
    cache.insert(key(digest, "Pencil8"), solidPicture(8, 8, 0xFF000008));
    QCOMPARE(cache.size(), 6);
    QVERIFY(!cache.contains(key(digest, "Pencil1")));
    QVERIFY(cache.contains(key(digest, "Pencil8")));
    cache.insert(key(digest, "Pencil0"), solidPicture(8, 8, 0xFF000000));
    // Not the oldest entry but the smallest key at that moment.
    QVERIFY(!cache.contains(key(digest, "Pencil3")));
    QVERIFY(cache.contains(key(digest, "Pencil5")));
    QVERIFY(cache.contains(key(digest, "Pencil0")));
    QCOMPARE(cache.lookup(key(digest, "Pencil9")), solidPicture(8, 8, 0xFF000039));
    QVERIFY(cache.lookup(key(digest, "Pencil1")).isNull());
}

void TestResultCache::replacingAPresentKeyStillEvicts()
{
    ResultCache cache;
    for (char c = 'a'; c < 'g'; ++c)
        cache.insert(key("d", QString(QLatin1Char(c))), solidPicture(8, 8, 0xFF000001));
    cache.insert(key("d", "f"), solidPicture(8, 8, 0xFF000002));
    QCOMPARE(cache.size(), 5);
    QVERIFY(!cache.contains(key("d", "a")));
    QCOMPARE(cache.lookup(key("d", "f")), solidPicture(8, 8, 0xFF000002));
}

void TestResultCache::keyHoldsValuesOnly()
{
    FilterParameters a(QStringLiteral("Pencil"), {{"x::one", 5}, {"y::two", "None"}});
    FilterParameters b(QStringLiteral("Pencil"), {{"x::uno", 5}, {"y::dos", "None"}});
    const QImage picture = solidPicture(8, 8, 0xFF445566);
    QVERIFY(makeKey(picture, a) == makeKey(picture, b));
    QCOMPARE(makeKey(picture, a).parametersText, QStringLiteral("Pencil5None"));
    QCOMPARE(makeKey(picture, a).imageDigest.size(), 16);
}

void TestResultCache::anotherPictureNeverHits()
{
    ResultCache cache;
    FilterParameters set(QStringLiteral("Pencil"), {{"k", 1}});
    cache.insert(makeKey(solidPicture(8, 8, 0xFF000000), set), solidPicture(8, 8, 0xFFFFFFFF));
    QVERIFY(cache.contains(makeKey(solidPicture(8, 8, 0xFF000000), set)));
    QVERIFY(!cache.contains(makeKey(solidPicture(8, 8, 0xFF000001), set)));
}

QTEST_GUILESS_MAIN(TestResultCache)
#include "test_result_cache.moc"
