#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/parameter_xml.h"

#include <QtTest>

class TestParameterXml : public QObject
{
    Q_OBJECT

private slots:
    void emptySetIsOneLine();
    void valuesAreWrittenInKeyOrderAsText();
    void reservedCharactersRoundTrip();
    void textValuesConvertLikeTheOriginals();
    void elementsAreFoundAtAnyDepth();
    void malformedXmlKeepsWhatCameBefore();
    void missingFileLeavesOutputsUnchanged();
    void unwritablePathFails();
};

void TestParameterXml::emptySetIsOneLine()
{
    FilterParameters set(QStringLiteral("Pencil"), {});
    QCOMPARE(
        parameterXml(set),
        QByteArray("<?xml version=\"1.0\"?><filter><name>Pencil</name><parameters/></filter>\n"));
    QCOMPARE(parameterXml(FilterParameters()),
             QByteArray("<?xml version=\"1.0\"?><filter><name></name><parameters/></filter>\n"));
}

void TestParameterXml::valuesAreWrittenInKeyOrderAsText()
{
    FilterParameters set(QStringLiteral("Pencil"), {});
    set.insert(Keys::Pencil::saturation, 75);
    set.insert(Keys::Pencil::type, Keys::Pencil::leadPencil);
    set.insert(forPreviewKey(), false);
    set.insert(scalingKey(), 0.5);
    set.insert(Keys::Pencil::brightness, -40);
    set.insert(QStringLiteral("empty"), QString());
    QCOMPARE(parameterXml(set),
             QByteArray("<?xml version=\"1.0\"?><filter><name>Pencil</name><parameters>"
                        "<p name=\"PencilBWAlgorithm::color_enabled\">lead_pencil</p>"
                        "<p name=\"PencilBWAlgorithm::color_intensity\">75</p>"
                        "<p name=\"PencilBWAlgorithm::darken_lighten\">-40</p>"
                        "<p name=\"empty\"></p>"
                        "<p name=\"for_preview\">false</p>"
                        "<p name=\"scaling\">0.5</p>"
                        "</parameters></filter>\n"));
}

void TestParameterXml::reservedCharactersRoundTrip()
{
    FilterParameters set(QStringLiteral("Oil & \"Water\" <x>"), {});
    set.insert(QStringLiteral("a&b\"c'd<e>"), QStringLiteral("v&\"w'<>\u00e9\u6f22"));
    set.insert(QStringLiteral("plain"), 3);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.filter"));
    QVERIFY(writeParameterXml(set, path));
    QString name;
    QMap<QString, QVariant> values;
    readParameterXml(path, name, values);
    QCOMPARE(name, set.filterName());
    QCOMPARE(values.keys(), set.keys());
    QCOMPARE(values.value(QStringLiteral("a&b\"c'd<e>")).toString(),
             QStringLiteral("v&\"w'<>\u00e9\u6f22"));
    QCOMPARE(values.value(QStringLiteral("plain")), QVariant(QStringLiteral("3")));
}

void TestParameterXml::textValuesConvertLikeTheOriginals()
{
    // Every value comes back as text; the algorithms read the same settings from it.
    FilterParametersPtr original = defaultParameters(QStringLiteral("Pencil"));
    original->insert(Keys::Pencil::brightness, -73);
    original->insert(Keys::Pencil::type, Keys::Pencil::colouredPencils);
    original->insert(scalingKey(), 0.5);
    original->insert(forPreviewKey(), true);
    QString name;
    QMap<QString, QVariant> values;
    QVERIFY(readParameterXmlData(parameterXml(*original), name, values));
    FilterParametersPtr read(new FilterParameters(name, values));
    QCOMPARE(read->valuesText(), original->valuesText());
    QCOMPARE(read->value(scalingKey()).toDouble(), 0.5);
    QCOMPARE(read->value(forPreviewKey()).toBool(), true);

    PencilBWAlgorithm a, b;
    a.setParameters(original);
    b.setParameters(read);
    QCOMPARE(b.rendererSettings().darkness, a.rendererSettings().darkness);
    QCOMPARE(b.rendererSettings().edgeThreshold, a.rendererSettings().edgeThreshold);
    QCOMPARE(b.rendererSettings().coloured, true);
}

void TestParameterXml::elementsAreFoundAtAnyDepth()
{
    const QByteArray xml =
        "<?xml version=\"1.0\"?><root><p name=\"outside\">1</p><filter>"
        "<deep><name>Oil</name></deep><parameters><p name=\"k\">a</p>"
        "<p name=\"k\">b</p><p>nameless</p><p name=\"e\"/></parameters></filter></root>";
    QString name;
    QMap<QString, QVariant> values;
    QVERIFY(readParameterXmlData(xml, name, values));
    QCOMPARE(name, QStringLiteral("Oil"));
    QCOMPARE(values.value("outside").toString(), QStringLiteral("1"));
    QCOMPARE(values.value("k").toString(), QStringLiteral("b"));
    QCOMPARE(values.value("").toString(), QStringLiteral("nameless"));
    QVERIFY(values.contains("e"));
    QCOMPARE(values.value("e").toString(), QString());
}

void TestParameterXml::malformedXmlKeepsWhatCameBefore()
{
    const QByteArray xml = "<?xml version=\"1.0\"?><filter><name>Pencil</name><parameters>"
                           "<p name=\"a\">1</p><p name=\"b\">2</q>";
    QString name;
    QMap<QString, QVariant> values;
    QVERIFY(!readParameterXmlData(xml, name, values));
    QCOMPARE(name, QStringLiteral("Pencil"));
    QCOMPARE(values.value("a").toString(), QStringLiteral("1"));
}

void TestParameterXml::missingFileLeavesOutputsUnchanged()
{
    QString name = QStringLiteral("kept");
    QMap<QString, QVariant> values{{QStringLiteral("k"), 1}};
    readParameterXml(QStringLiteral("/nonexistent/dir/x.filter"), name, values);
    QCOMPARE(name, QStringLiteral("kept"));
    QCOMPARE(values.size(), 1);
}

void TestParameterXml::unwritablePathFails()
{
    QVERIFY(!writeParameterXml(FilterParameters(), QStringLiteral("/nonexistent/dir/x.filter")));
    QTemporaryDir dir;
    QVERIFY(!writeParameterXml(FilterParameters(), dir.path()));
}

QTEST_GUILESS_MAIN(TestParameterXml)
#include "test_parameter_xml.moc"
