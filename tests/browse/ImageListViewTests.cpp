// The image list on a real list-view control: filling, default names, sorting with header
// marks, selection order, status text, entry lifetime and command states.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <wrl/client.h>

#include "browse/ImageListView.h"
#include "common/ComObject.h"
#include "contracts/ReaderSlots.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"
#include "common/Handles.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;

struct FakeImage {
    const wchar_t* name;  // null: the collection gives no name
    int width;
    int height;
};

// A collection with fixed names and sizes; images themselves are not needed by the list.
class FixedCollection final : public ComObject<ImageCollectionSlots> {
  public:
    static ComPtr<FixedCollection> Make(std::vector<FakeImage> images) {
        return test::Adopt(new FixedCollection(std::move(images)));
    }
    HRESULT STDMETHODCALLTYPE GetImageCount(int* count) override {
        *count = static_cast<int>(images_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageWidth(int i, int* width) override {
        *width = images_[static_cast<size_t>(i)].width;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageHeight(int i, int* height) override {
        *height = images_[static_cast<size_t>(i)].height;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageName(int i, BSTR* name) override {
        const wchar_t* text = images_[static_cast<size_t>(i)].name;
        *name = text ? SysAllocString(text) : nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImage(int, IUnknown** image) override {
        *image = nullptr;
        return E_NOTIMPL;
    }

  private:
    explicit FixedCollection(std::vector<FakeImage> images) : images_(std::move(images)) {}
    std::vector<FakeImage> images_;
};

// A top-level window that reflects notifications, as the main window does.
class ListHost : public WindowImpl<ListHost> {
  public:
    ListHost() {
        RegisterWindowClassOnce(L"PictroveListHost", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        Chain().SetReflectNotifications(true);
        Create(L"PictroveListHost", nullptr, L"list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 500, 400});
        list.Create(Hwnd(), 100);
        MoveWindow(list.Hwnd(), 0, 0, 480, 360, TRUE);
    }
    static std::span<const MessageEntry<ListHost>> MessageTable() { return {}; }
    ImageListView list;
};

std::wstring CellText(const ImageListView& list, int row, int column) {
    wchar_t text[256] = L"";
    ListView_GetItemText(list.Hwnd(), row, column, text, 256);
    return text;
}

std::vector<std::wstring> Names(const ImageListView& list) {
    std::vector<std::wstring> names;
    for (int row = 0; row < list.RowCount(); ++row) names.push_back(CellText(list, row, 0));
    return names;
}

void Select(const ImageListView& list, std::initializer_list<int> rows) {
    ListView_SetItemState(list.Hwnd(), -1, 0, LVIS_SELECTED);
    for (int row : rows) ListView_SetItemState(list.Hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
}

int HeaderFormat(const ImageListView& list, int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(list.Hwnd()), column, &item);
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

TEST(ImageListView, CreatesThreeColumnsWithTitlesAlignmentAndWidths) {
    ListHost host;
    const ImageListView& list = host.list;
    EXPECT_EQ(GetWindowLongW(list.Hwnd(), GWL_STYLE) & 0xFFFF0003, 0x50800001u);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list.Hwnd()) & LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list.Hwnd(), &client);
    const struct {
        const wchar_t* title;
        int width;
        int format;
    } expected[] = {{L"Name", static_cast<int>(client.right) - 140, LVCFMT_LEFT},
                    {L"Width", 70, LVCFMT_RIGHT},
                    {L"Height", 70, LVCFMT_RIGHT}};
    for (int column = 0; column < 3; ++column) {
        wchar_t title[64] = L"";
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        lvc.pszText = title;
        lvc.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(list.Hwnd(), column, &lvc)) << column;
        EXPECT_STREQ(title, expected[column].title) << column;
        EXPECT_EQ(lvc.cx, expected[column].width) << column;
        EXPECT_EQ(lvc.fmt & LVCFMT_JUSTIFYMASK, expected[column].format) << column;
    }
    EXPECT_NE(ListView_GetImageList(list.Hwnd(), LVSIL_SMALL), nullptr);
}

// The names take the width the other columns leave: in a wide pane and a wider one, beside a
// vertical scroll bar, after another column was dragged wider; a narrow pane scrolls instead of
// squeezing them below their designed width.
TEST(ImageListView, NameColumnTakesThePanesFreeWidth) {
    const struct {
        int paneWidth, rows, widthColumn;
        bool fits;
    } cases[] = {{480, 0, 70, true}, {760, 0, 70, true}, {480, 60, 70, true}, {480, 0, 130, true}, {200, 0, 70, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.paneWidth << " px, " << c.rows << " rows, width column " << c.widthColumn);
        ListHost host;
        const HWND list = host.list.Hwnd();
        auto collection = FixedCollection::Make(std::vector<FakeImage>(static_cast<size_t>(c.rows), {L"page", 8, 8}));
        host.list.Fill(collection.Get());
        ListView_SetColumnWidth(list, 1, c.widthColumn);
        MoveWindow(list, 0, 0, c.paneWidth, 360, TRUE);
        test::PumpMessages();
        RECT client{};
        GetClientRect(list, &client);
        const int name = ListView_GetColumnWidth(list, 0);
        const int others = ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2);
        EXPECT_EQ(c.widthColumn, ListView_GetColumnWidth(list, 1));
        if (c.fits) {
            EXPECT_EQ(name + others, client.right);
        } else {
            EXPECT_EQ(name, 140);
        }
        EXPECT_EQ((GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) != 0, !c.fits) << "scrolls sideways";
        EXPECT_EQ((GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) != 0, c.rows > 20);
    }
}

TEST(ImageListView, FillsRowsWithNamesSizesAndDefaultNames) {
    ListHost host;
    auto collection = FixedCollection::Make({{L"cover", 600, 800}, {nullptr, 10, 20}, {L"", 1, 2}});
    host.list.Fill(collection.Get());
    ASSERT_EQ(host.list.RowCount(), 3);
    EXPECT_EQ(Names(host.list), (std::vector<std::wstring>{L"cover", L"Image001", L"Image002"}));
    EXPECT_EQ(CellText(host.list, 0, 1), L"600 px");
    EXPECT_EQ(CellText(host.list, 0, 2), L"800 px");
    const ImageListEntry* entry = host.list.GetEntry(1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->index, 1);
    EXPECT_EQ(entry->width, 10);
    EXPECT_EQ(entry->height, 20);
    EXPECT_EQ(host.list.GetEntry(3), nullptr);
    EXPECT_EQ(host.list.GetEntry(-1), nullptr);
    EXPECT_EQ(collection->RefCount(), 1u);
}

TEST(ImageListView, DefaultNameHasAtLeastThreeDigits) {
    ListHost host;
    std::vector<FakeImage> images(1001, FakeImage{nullptr, 1, 1});
    auto collection = FixedCollection::Make(images);
    host.list.Fill(collection.Get());
    ASSERT_EQ(host.list.RowCount(), 1001);
    EXPECT_EQ(CellText(host.list, 0, 0), L"Image000");
    EXPECT_EQ(CellText(host.list, 11, 0), L"Image011");
    EXPECT_EQ(CellText(host.list, 1000, 0), L"Image1000");
}

TEST(ImageListView, SortsByEachColumnBothWaysWithHeaderMarks) {
    ListHost host;
    auto collection = FixedCollection::Make({{L"b", 30, 1}, {L"B", 10, 3}, {L"a", 20, 2}});
    ImageListView& list = host.list;
    list.Fill(collection.Get());
    EXPECT_EQ(list.SortColumn(), ImageListView::kNoSortColumn);

    // Clicking the header goes through the reflected notification, as a user's click does.
    auto click = [&](int column) {
        NMLISTVIEW notify{};
        notify.hdr.hwndFrom = list.Hwnd();
        notify.hdr.idFrom = 100;
        notify.hdr.code = LVN_COLUMNCLICK;
        notify.iSubItem = column;
        SendMessageW(host.Hwnd(), WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&notify));
    };
    click(1);
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(HeaderFormat(list, 1), HDF_SORTUP);
    EXPECT_EQ(HeaderFormat(list, 0), 0);
    click(1);
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(HeaderFormat(list, 1), HDF_SORTDOWN);
    click(0);
    // Ordinal comparison: upper case before lower case.
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"B", L"a", L"b"}));
    EXPECT_EQ(HeaderFormat(list, 0), HDF_SORTUP);
    EXPECT_EQ(HeaderFormat(list, 1), 0);
    click(2);
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{0, 2, 1}));
    click(2);
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(ListView_GetSelectedColumn(list.Hwnd()), 2u);

    // Filling again keeps the sort state and the marks, and the rows follow them.
    list.Fill(collection.Get());
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(list.SortColumn(), 2);
    EXPECT_EQ(HeaderFormat(list, 2), HDF_SORTDOWN);
}

TEST(ImageListView, ANewDocumentIsSortedByTheUsersColumnAndDirection) {
    ListHost host;
    ImageListView& list = host.list;
    auto first = FixedCollection::Make({{L"x", 1, 1}});
    list.Fill(first.Get());
    list.SortByColumn(1);
    list.SortByColumn(1);  // widths descending
    ASSERT_FALSE(list.Ascending());

    auto second = FixedCollection::Make({{L"narrow", 5, 1}, {L"wide", 50, 1}, {L"middle", 20, 1}, {L"widest", 70, 1}});
    list.Fill(second.Get());
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"widest", L"wide", L"middle", L"narrow"}));
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_EQ(HeaderFormat(list, 1), HDF_SORTDOWN);
    EXPECT_EQ(HeaderFormat(list, 0), 0);
    EXPECT_EQ(ListView_GetSelectedColumn(list.Hwnd()), 1u);
    // The next click on the same header turns the order, as it would have for the old rows.
    list.SortByColumn(1);
    EXPECT_EQ(list.GetAllIndices(), (std::vector<int>{0, 2, 1, 3}));
}

TEST(ImageListView, SelectionStaysVisibleWhenTheListLosesFocus) {
    ListHost host;
    ImageListView& list = host.list;
    auto collection = FixedCollection::Make({{L"first", 10, 10}, {L"second", 20, 20}});
    list.Fill(collection.Get());
    Select(list, {0});
    SetFocus(host.Hwnd());
    ASSERT_NE(GetFocus(), list.Hwnd());
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(list.Hwnd(), 0, &row, LVIR_BOUNDS));
    RedrawWindow(list.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    // Left part of the right-aligned width column: no text there, only the row's background.
    ScopedGetDC dc(list.Hwnd());
    const COLORREF selected = GetPixel(dc.Get(), 150, (row.top + row.bottom) / 2);
    const COLORREF unselected = GetPixel(dc.Get(), 150, row.bottom + (row.bottom - row.top) / 2);
    EXPECT_EQ(unselected, GetSysColor(COLOR_WINDOW));
    EXPECT_NE(selected, GetSysColor(COLOR_WINDOW)) << "the selected row is still marked";
}

TEST(ImageListView, PreviewRowIsTheFocusedSelectedRowElseTheFirstSelected) {
    ListHost host;
    ImageListView& list = host.list;
    auto collection = FixedCollection::Make({{L"a", 1, 1}, {L"b", 1, 1}, {L"c", 1, 1}, {L"d", 1, 1}});
    list.Fill(collection.Get());
    EXPECT_EQ(list.PreviewRow(), -1) << "nothing selected";
    list.SelectFirstRow();
    EXPECT_EQ(list.PreviewRow(), 0);
    EXPECT_EQ(ListView_GetNextItem(list.Hwnd(), -1, LVNI_FOCUSED), 0);
    EXPECT_EQ(list.SelectedCount(), 1);

    Select(list, {1, 2, 3});
    ListView_SetItemState(list.Hwnd(), 2, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_EQ(list.PreviewRow(), 2);
    // Focus on a row that is not selected: the first selected row.
    ListView_SetItemState(list.Hwnd(), 0, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_EQ(list.PreviewRow(), 1);
    Select(list, {});
    EXPECT_EQ(list.PreviewRow(), -1);
}

TEST(ImageListView, SelectionGivesIndicesInDisplayOrderAndStatusText) {
    ListHost host;
    std::vector<FakeImage> images;
    for (int i = 0; i < 12; ++i) images.push_back({nullptr, 100 - i, 1});
    auto collection = FixedCollection::Make(images);
    ImageListView& list = host.list;
    list.Fill(collection.Get());
    list.SortByColumn(1);  // ascending width: index 11 first
    EXPECT_EQ(list.StatusText(), L"12 images");
    Select(list, {0, 1, 5});
    EXPECT_EQ(list.GetSelectedIndices(), (std::vector<int>{11, 10, 6}));
    EXPECT_EQ(list.StatusText(), L"3 images selected");
    Select(list, {});
    EXPECT_TRUE(list.GetSelectedIndices().empty());
    EXPECT_EQ(list.StatusText(), L"12 images");
}

TEST(ImageListView, ClearDeletesRowsAndEmptyCollectionLeavesNone) {
    ListHost host;
    auto collection = FixedCollection::Make({{L"x", 1, 1}, {L"y", 2, 2}});
    host.list.Fill(collection.Get());
    host.list.Clear();
    EXPECT_EQ(host.list.RowCount(), 0);
    EXPECT_TRUE(host.list.GetAllIndices().empty());
    host.list.Fill(nullptr);
    EXPECT_EQ(host.list.RowCount(), 0);
    auto empty = FixedCollection::Make({});
    host.list.Fill(empty.Get());
    EXPECT_EQ(host.list.RowCount(), 0);
}

TEST(ImageListView, CommandStatesFollowDocumentAndSelection) {
    const struct {
        bool open;
        int selected;
        bool copy, extractSelected, extractAll;
    } cases[] = {
        {false, 0, false, false, false}, {false, 1, false, false, false}, {true, 0, false, false, true},
        {true, 1, true, true, true},     {true, 2, false, true, true},
    };
    for (const auto& c : cases) {
        const ListCommandStates states = CommandStatesFor(c.open, c.selected);
        EXPECT_EQ(states.copyImage, c.copy) << c.open << "/" << c.selected;
        EXPECT_EQ(states.extractSelected, c.extractSelected) << c.open << "/" << c.selected;
        EXPECT_EQ(states.extractAll, c.extractAll) << c.open << "/" << c.selected;
    }
}

TEST(ImageListView, CompareEntriesIsOrdinalAndSigned) {
    const ImageListEntry a{0, L"a", -5, 7}, b{1, L"b", 3, 7}, upper{2, L"B", 0, 0};
    EXPECT_EQ(CompareEntries(upper, a, 0), -1);
    EXPECT_EQ(CompareEntries(a, b, 0), -1);
    EXPECT_EQ(CompareEntries(b, a, 0), 1);
    EXPECT_EQ(CompareEntries(a, b, 1), -1);
    EXPECT_EQ(CompareEntries(a, b, 2), 0);
    EXPECT_EQ(CompareEntries(a, b, 3), 0);
}

}  // namespace
}  // namespace pictrove
