#include <gtest/gtest.h>
#include "resources/XmlDocument.h"
#include "tests/support/TestSupport.h"
using namespace pictrove;
using namespace pictrove::xml;
using namespace pictrove::test;
TEST(Explore, SaveBytes) {
    TempFolder folder;
    const std::string tmpl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting>\r\n</Setting>";
    WriteFileBytes(folder.File(L"s.xml"), std::vector<unsigned char>(tmpl.begin(), tmpl.end()));
    auto doc = CreateDomDocument();
    ASSERT_TRUE(doc);
    ASSERT_TRUE(LoadDocument(doc.Get(), folder.File(L"s.xml")));
    auto root = SelectNode(doc.Get(), L"Setting");
    ASSERT_TRUE(root);
    auto general = GetOrCreateNode(root.Get(), L"General", doc.Get(), true, false);
    auto lang = GetOrCreateNode(general.Get(), L"Language", doc.Get(), true, false);
    SetAttributeString(lang.Get(), L"ID", L"d\u00e9 <&\"'>");
    auto mw = GetOrCreateNode(root.Get(), L"MainWindow", doc.Get(), true, true);
    SetAttributeBool(mw.Get(), L"Maximized", 5);
    auto r = CreateChildElement(doc.Get(), mw.Get(), L"Rect");
    SetAttributeInt(r.Get(), L"Left", -5);
    SetAttributeInt(r.Get(), L"Top", 7);
    printf("save hr=%lx\n", SaveDocument(doc.Get(), folder.File(L"out.xml")));
    auto bytes = ReadFileBytes(folder.File(L"out.xml"));
    std::string s(bytes.begin(), bytes.end());
    for (unsigned char c : bytes) { if (c < 32 || c > 126) printf("\\x%02x", c); else putchar(c); }
    printf("\n");
    printf("save ro hr=%lx\n", SaveDocument(doc.Get(), L"Z:\\nonexistent-dir\\x.xml"));
    // rename onto read-only
    WriteFileBytes(folder.File(L"ro.xml"), {'a'});
    SetFileAttributesW(folder.File(L"ro.xml").c_str(), FILE_ATTRIBUTE_READONLY);
    BOOL mv = MoveFileExW(folder.File(L"out.xml").c_str(), folder.File(L"ro.xml").c_str(), MOVEFILE_REPLACE_EXISTING);
    printf("move onto ro: %d err %lu\n", mv, GetLastError());
    printf("save onto ro hr=%lx\n", SaveDocument(doc.Get(), folder.File(L"ro.xml")));
    SetFileAttributesW(folder.File(L"ro.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
    // sharing
    HANDLE h = CreateFileW(folder.File(L"ro.xml").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SaveDocument(doc.Get(), folder.File(L"out2.xml"));
    mv = MoveFileExW(folder.File(L"out2.xml").c_str(), folder.File(L"ro.xml").c_str(), MOVEFILE_REPLACE_EXISTING);
    printf("move onto open: %d err %lu\n", mv, GetLastError());
    CloseHandle(h);
    // comment node / attribute on comment
    auto doc2 = CreateDomDocument();
    VARIANT_BOOL ok;
    doc2->loadXML((BSTR)L"<a x=\"1\"><!--c--><b/></a>", &ok);
    auto c = SelectNode(doc2.Get(), L"a/comment()");
    printf("comment %p attr=%ls\n", (void*)c.Get(), GetAttribute(c.Get(), L"x", L"def").c_str());
}
