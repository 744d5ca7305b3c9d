#include "info/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

using info::maxPropertyListSize;
using info::parsePropertyList;

QByteArray plist(const QByteArray& root)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + root + "\n</plist>\n";
}

TEST(PropertyList, ReadsEveryKindOfValue)
{
    const QByteArray data = plist(
        "<!-- every kind -->\n<dict>\n"
        "  <key>s</key><string> a &amp; b &#x41;<![CDATA[<c>]]> </string>\n"
        "  <key>empty</key><string/>\n"
        "  <key>i</key><integer> -42 </integer>\n"
        "  <key>r</key><real>2.5</real>\n"
        "  <key>t</key><true/>\n"
        "  <key>f</key><false/>\n"
        "  <key>d</key><date>2024-02-29T12:30:00Z</date>\n"
        "  <key>b</key><data>aGVs\n    bG8=</data>\n"
        "  <key>a</key><array><string>x</string><array/><dict/></array>\n"
        "</dict>");
    const std::optional<QVariant> read = parsePropertyList(data);
    ASSERT_TRUE(read.has_value());
    const QVariantMap expected{
        {QStringLiteral("s"), QStringLiteral(" a & b A<c> ")},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("i"), qlonglong(-42)},
        {QStringLiteral("r"), 2.5},
        {QStringLiteral("t"), true},
        {QStringLiteral("f"), false},
        {QStringLiteral("d"), QDateTime(QDate(2024, 2, 29), QTime(12, 30), Qt::UTC)},
        {QStringLiteral("b"), QByteArray("hello")},
        {QStringLiteral("a"), QVariantList{QStringLiteral("x"), QVariantList(), QVariantMap()}},
    };
    EXPECT_EQ(read->toMap(), expected);
    EXPECT_EQ(read->toMap().value(QStringLiteral("i")).typeId(), QMetaType::LongLong);
}

TEST(PropertyList, AcceptsADocumentTypeByNameAndAnArrayRoot)
{
    const QByteArray data = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist SYSTEM \"http://127.0.0.1:9/plist.dtd\">\n"
                            "<plist><array><integer>1</integer></array></plist>";
    EXPECT_EQ(parsePropertyList(data), QVariant(QVariantList{qlonglong(1)}));
}

struct Refused {
    const char* title;
    QByteArray data;
};

class PropertyListRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(PropertyListRefuses, Nothing)
{
    EXPECT_EQ(parsePropertyList(GetParam().data), std::nullopt);
}

QByteArray nested(int depth)
{
    return plist(QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth));
}

INSTANTIATE_TEST_SUITE_P(
    Data, PropertyListRefuses,
    ::testing::Values(
        Refused{"Empty", ""},
        Refused{"NotXml", "quorvel = 1.4"},
        Refused{"Html", "<html><body>Not found</body></html>"},
        Refused{"Unclosed", "<plist><dict><key>a</key><string>1</string></plist>"},
        Refused{"NoRootValue", plist("")},
        Refused{"TwoRootValues", plist("<string>a</string><string>b</string>")},
        Refused{"ElementAfterList", plist("<dict/>") + "<plist/>"},
        Refused{"UnknownElement", plist("<dict><key>a</key><version>1</version></dict>")},
        Refused{"KeyWithoutValue", plist("<dict><key>a</key></dict>")},
        Refused{"ValueWithoutKey", plist("<dict><string>a</string></dict>")},
        Refused{"TextInDict", plist("<dict>oops<key>a</key><string/></dict>")},
        Refused{"ElementInString", plist("<string><b>1.4</b></string>")},
        Refused{"ContentInTrue", plist("<true>yes</true>")},
        Refused{"FractionalInteger", plist("<integer>1.5</integer>")},
        Refused{"NotAReal", plist("<real>one</real>")},
        Refused{"NotADate", plist("<date>yesterday</date>")},
        Refused{"NotBase64", plist("<data>!!!!</data>")},
        Refused{"UndeclaredEntity", plist("<string>&version;</string>")},
        Refused{"InternalEntities",
                "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>\n"
                "<plist><string>&b;</string></plist>"},
        Refused{"TooDeep", nested(200)}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.title); });

TEST(PropertyList, NeverReadsAnExternalEntity)
{
    QTemporaryDir dir;
    QFile secret(dir.filePath(QStringLiteral("secret.dtd")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("<!ENTITY version \"from the disk\">");
    secret.close();
    const QByteArray data = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist SYSTEM \"" +
                            QUrl::fromLocalFile(secret.fileName()).toEncoded() +
                            "\">\n<plist><dict><key>quorvel</key><string>&version;</string></dict></plist>";
    EXPECT_EQ(parsePropertyList(data), std::nullopt);
}

TEST(PropertyList, RefusesAnythingLargerThanTheLimit)
{
    const QByteArray head = plist("<string>1.4</string>");
    const auto padded = [&](qsizetype size) {
        return head + "<!--" + QByteArray(size - head.size() - 7, 'x') + "-->";
    };
    EXPECT_EQ(padded(maxPropertyListSize).size(), maxPropertyListSize);
    EXPECT_EQ(parsePropertyList(padded(maxPropertyListSize)), QVariant(QStringLiteral("1.4")));
    EXPECT_EQ(parsePropertyList(padded(maxPropertyListSize + 1)), std::nullopt);
}

} // namespace
} // namespace quorvel::test
