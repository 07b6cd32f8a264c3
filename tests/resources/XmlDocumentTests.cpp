// The XML access layer against the real MSXML component: queries, attribute defaults and
// writes, node creation and clearing, and the number and escape rules.
#include <gtest/gtest.h>

#include "resources/XmlDocument.h"
#include "tests/resources/XmlTestSupport.h"

namespace pictrove::test {
namespace {

using namespace pictrove::xml;

TEST(ParseDecimal, FollowsTheNumberRuleOfBothFiles) {
    struct Case {
        const wchar_t* text;
        int32_t expected;
    } cases[] = {
        {L"  42abc", 42},
        {L"+7", 7},
        {L"-1", -1},
        {L"", 0},
        {L"abc", 0},
        {L"4294967295", -1},
        {L"0x10", 0},
        {L"2160591048", static_cast<int32_t>(0x80C800C8u)},
        {L"-2134376248", static_cast<int32_t>(0x80C800C8u)},
        {L"\t\r\n 5", 5},
        {L"-", 0},
        {L"+-3", 0},
        {L"- 3", 0},
        {L"12 34", 12},
        {L"4294967296", 0},
        {L"-2147483648", INT32_MIN},
        {L"2147483648", INT32_MIN},
        {L"007", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text), c.expected) << "text " << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(UnescapeText, ReplacesTheThreeEscapesAndNothingElse) {
    EXPECT_EQ(UnescapeText(L"Line one\\nLine two"), L"Line one\nLine two");
    // No escape for the backslash itself: the first backslash stays.
    EXPECT_EQ(UnescapeText(L"\\\\n"), L"\\\n");
    EXPECT_EQ(UnescapeText(L"a\\rb\\nc\\td"), L"a\rb\nc\td");
    EXPECT_EQ(UnescapeText(L"\\x \\N \\"), L"\\x \\N \\");
    EXPECT_EQ(UnescapeText(L"\\n\\n"), L"\n\n");
    EXPECT_EQ(UnescapeText(L""), L"");
    EXPECT_EQ(UnescapeTabs(L"Open\\tCtrl+O\\n"), L"Open\tCtrl+O\\n");
}

TEST(QueryPatterns, AreChildPathsWithOneEqualityPredicate) {
    EXPECT_EQ(ChildPattern(L"Languages", L"Language"), L"Languages/Language");
    EXPECT_EQ(ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", -5), L"Dialogs/Dialog[@ID=\"-5\"]");
    EXPECT_EQ(ChildByTextPattern(L"Languages", L"Language", L"ID", L"de"), L"Languages/Language[@ID=\"de\"]");

    auto document = ParseXml(
        L"<Languages><Language ID=\"en\"><Dialogs><Dialog ID=\"129\" N=\"a\"/><Dialog ID=\"1007\" N=\"b\"/>"
        L"</Dialogs></Language><Language ID=\"de\"/></Languages>");
    ASSERT_TRUE(document);
    auto german = SelectNode(document.Get(), ChildByTextPattern(L"Languages", L"Language", L"ID", L"de"));
    ASSERT_TRUE(german);
    EXPECT_EQ(GetAttribute(german.Get(), L"ID", L"?"), L"de");
    auto english = SelectNode(document.Get(), ChildByTextPattern(L"Languages", L"Language", L"ID", L"en"));
    auto dialog = SelectNode(english.Get(), ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", 1007));
    EXPECT_EQ(GetAttribute(dialog.Get(), L"N", L"?"), L"b");
    EXPECT_FALSE(SelectNode(english.Get(), ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", 213)));

    std::vector<std::wstring> ids;
    ForEachNode(SelectNodes(document.Get(), ChildPattern(L"Languages", L"Language")).Get(),
                [&](IXMLDOMNode* node) { ids.push_back(GetAttribute(node, L"ID", L"")); });
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"en", L"de"}));
    ForEachNode(nullptr, [&](IXMLDOMNode*) { ADD_FAILURE() << "visited a node of no list"; });
}

TEST(GetAttribute, FallsBackToTheDefaultOnlyWhenTheAttributeIsMissing) {
    auto document = ParseXml(L"<a x=\"1\" empty=\"\" spaced=\" v \"><!--note--><b/>text</a>");
    ASSERT_TRUE(document);
    auto a = SelectNode(document.Get(), L"a");
    ASSERT_TRUE(a);
    EXPECT_EQ(GetAttribute(a.Get(), L"x", L"d"), L"1");
    EXPECT_EQ(GetAttribute(a.Get(), L"empty", L"d"), L"");
    EXPECT_EQ(GetAttribute(a.Get(), L"spaced", L"d"), L" v ");
    EXPECT_EQ(GetAttribute(a.Get(), L"missing", L"d"), L"d");
    EXPECT_EQ(GetAttribute(a.Get(), L"X", L"d"), L"d") << "attribute names are case-sensitive";
    EXPECT_EQ(GetAttribute(a.Get(), L"", L"d"), L"d") << "empty name with attributes present";
    EXPECT_EQ(GetAttribute(nullptr, L"x", L"d"), L"d");

    auto comment = SelectNode(a.Get(), L"comment()");
    ASSERT_TRUE(comment);
    EXPECT_EQ(GetAttribute(comment.Get(), L"x", L"d"), L"d");
    auto text = SelectNode(a.Get(), L"text()");
    ASSERT_TRUE(text);
    EXPECT_EQ(GetAttribute(text.Get(), L"x", L"d"), L"d");
    EXPECT_EQ(GetAttribute(document.Get(), L"x", L"d"), L"d");
}

TEST(GetOrCreateNode, FindsCreatesAndClearsAsItsFlagsSay) {
    auto document = ParseXml(L"<r><k a=\"1\" b=\"2\"><c/><d>text</d></k><z/></r>");
    ASSERT_TRUE(document);
    auto root = SelectNode(document.Get(), L"r");
    ASSERT_TRUE(root);
    const std::wstring before = XmlOf(document.Get());

    EXPECT_FALSE(GetOrCreateNode(root.Get(), L"missing", document.Get(), false, false));
    EXPECT_FALSE(GetOrCreateNode(root.Get(), L"missing", document.Get(), false, true));
    EXPECT_FALSE(GetOrCreateNode(nullptr, L"k", document.Get(), true, true));
    EXPECT_EQ(XmlOf(document.Get()), before) << "nothing found and nothing to create changes nothing";

    auto found = GetOrCreateNode(root.Get(), L"k", document.Get(), true, false);
    ASSERT_TRUE(found);
    EXPECT_EQ(XmlOf(found.Get()), L"<k a=\"1\" b=\"2\"><c/><d>text</d></k>") << "found and not cleared: untouched";

    auto cleared = GetOrCreateNode(root.Get(), L"k", document.Get(), false, true);
    ASSERT_TRUE(cleared);
    EXPECT_EQ(XmlOf(cleared.Get()), L"<k a=\"1\" b=\"2\"/>") << "clear keeps the attributes, drops every child";

    auto created = GetOrCreateNode(root.Get(), L"n", document.Get(), true, false);
    ASSERT_TRUE(created);
    SetAttributeInt(created.Get(), L"v", 3);
    EXPECT_EQ(XmlOf(root.Get()), L"<r><k a=\"1\" b=\"2\"/><z/><n v=\"3\"/></r>") << "new elements go last";

    auto deep = GetOrCreateNode(root.Get(), L"/p//q/", document.Get(), true, true);
    ASSERT_TRUE(deep);
    SetAttributeBool(deep.Get(), L"f", 1);
    EXPECT_EQ(XmlOf(root.Get()), L"<r><k a=\"1\" b=\"2\"/><z/><n v=\"3\"/><p><q f=\"1\"/></p></r>")
        << "every piece of a path is created, empty pieces dropped, the last one returned";

    EXPECT_FALSE(GetOrCreateNode(root.Get(), L"//", document.Get(), true, false)) << "a path of no pieces";
    auto again = GetOrCreateNode(root.Get(), L"p/q/", document.Get(), true, false);
    EXPECT_EQ(XmlOf(again.Get()), L"<q f=\"1\"/>") << "found, not created a second time";

    ClearNodeContent(nullptr);
    ClearNodeContent(root.Get());
    EXPECT_EQ(XmlOf(root.Get()), L"<r/>");
}

TEST(CreateChildElement, AppendsAfterTheExistingChildren) {
    auto document = ParseXml(L"<r><a/><!--c--></r>");
    ASSERT_TRUE(document);
    auto root = SelectNode(document.Get(), L"r");
    auto first = CreateChildElement(document.Get(), root.Get(), L"b");
    auto second = CreateChildElement(document.Get(), root.Get(), L"b");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(XmlOf(root.Get()), L"<r><a/><!--c--><b/><b/></r>");
    EXPECT_FALSE(CreateChildElement(document.Get(), nullptr, L"b"));
}

TEST(AttributeWrites, AppearInTheSavedFileAsDecimalAndBooleanText) {
    TempFolder folder;
    auto document = ParseXml(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><e old=\"x\"/><!--c--></r>");
    ASSERT_TRUE(document);
    auto e = SelectNode(document.Get(), L"r/e");
    ASSERT_TRUE(e);
    SetAttributeString(e.Get(), L"s", L"C:\\Out & \"more\" <\u00e9>");
    SetAttributeString(e.Get(), L"empty", L"");
    SetAttributeInt(e.Get(), L"neg", -2134376248);
    SetAttributeInt(e.Get(), L"min", INT32_MIN);
    SetAttributeInt(e.Get(), L"zero", 0);
    SetAttributeBool(e.Get(), L"five", 5);
    SetAttributeBool(e.Get(), L"minus", -1);
    SetAttributeBool(e.Get(), L"off", 0);
    SetAttributeString(e.Get(), L"old", L"replaced");
    // Writes to no node or to a node that is not an element are skipped.
    SetAttributeInt(nullptr, L"x", 1);
    SetAttributeString(SelectNode(document.Get(), L"r/comment()").Get(), L"x", L"y");

    ASSERT_EQ(SaveDocument(document.Get(), folder.File(L"out.xml")), S_OK);
    const std::string saved = WithLineFeeds(TextOf(ReadFileBytes(folder.File(L"out.xml"))));
    EXPECT_EQ(saved,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<r><e old=\"replaced\" s=\"C:\\Out &amp; &quot;more&quot; &lt;\xc3\xa9&gt;\" empty=\"\" "
              "neg=\"-2134376248\" min=\"-2147483648\" zero=\"0\" five=\"1\" minus=\"1\" off=\"0\"/><!--c--></r>\n");

    // And they read back through the layer as written.
    auto reread = CreateDomDocument();
    ASSERT_TRUE(LoadDocument(reread.Get(), folder.File(L"out.xml")));
    auto back = SelectNode(reread.Get(), L"r/e");
    EXPECT_EQ(GetAttribute(back.Get(), L"s", L""), L"C:\\Out & \"more\" <\u00e9>");
    EXPECT_EQ(ParseDecimal(GetAttribute(back.Get(), L"neg", L"")), -2134376248);
}

TEST(LoadDocument, FailsForMissingAndMalformedFiles) {
    TempFolder folder;
    auto document = CreateDomDocument();
    ASSERT_TRUE(document);
    EXPECT_FALSE(LoadDocument(document.Get(), folder.File(L"none.xml")));
    ASSERT_TRUE(WriteText(folder.File(L"bad.xml"), "<a><b></a>"));
    EXPECT_FALSE(LoadDocument(document.Get(), folder.File(L"bad.xml")));
    ASSERT_TRUE(WriteText(folder.File(L"empty.xml"), ""));
    EXPECT_FALSE(LoadDocument(document.Get(), folder.File(L"empty.xml")));
    ASSERT_TRUE(WriteText(folder.File(L"good.xml"), "\xEF\xBB\xBF<a b=\"\xD0\x96\"/>"));
    ASSERT_TRUE(LoadDocument(document.Get(), folder.File(L"good.xml")));
    EXPECT_EQ(GetAttribute(SelectNode(document.Get(), L"a").Get(), L"b", L""), L"\u0416");
    EXPECT_FALSE(LoadDocument(nullptr, folder.File(L"good.xml")));
}

}  // namespace
}  // namespace pictrove::test

namespace pictrove::test {
namespace {

TEST(ClearNodeContent, ChildrenStillReferencedStayUsable) {
    auto document = ParseXml(L"<r a=\"1\"><k><deep/></k>text<z/></r>");
    ASSERT_TRUE(document);
    auto root = xml::SelectNode(document.Get(), L"r");
    auto held = xml::SelectNode(root.Get(), L"k");
    ASSERT_TRUE(held);
    xml::ClearNodeContent(root.Get());
    EXPECT_EQ(XmlOf(root.Get()), L"<r a=\"1\"/>");
    // The removed child is an orphan now, whole and safe to use and to release.
    EXPECT_EQ(XmlOf(held.Get()), L"<k><deep/></k>");
    BSTR name = nullptr;
    ASSERT_EQ(held->get_nodeName(&name), S_OK);
    EXPECT_STREQ(name, L"k");
    SysFreeString(name);
}

}  // namespace
}  // namespace pictrove::test
