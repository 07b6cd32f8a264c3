// Image list: rows, sorting with header arrows, selection in display order, its own border.
#include "browse/ImageListView.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

constexpr int kColumnWidths[] = {140, 70, 70};
constexpr UINT kColumnTitles[] = {IDS_COLUMN_NAME, IDS_COLUMN_WIDTH, IDS_COLUMN_HEIGHT};
constexpr int kColumnFormats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT};
constexpr int kHeaderMarkBits = HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP | HDF_BITMAP_ON_RIGHT;

int Sign(long long value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

}  // namespace

ListCommandStates CommandStatesFor(bool documentOpen, int selectedCount) {
    return {documentOpen && selectedCount == 1, documentOpen && selectedCount >= 1, documentOpen};
}

int CompareEntries(const ImageListEntry& a, const ImageListEntry& b, int column) {
    switch (column) {
        case 0:
            return Sign(a.name.compare(b.name));
        case 1:
            return Sign(static_cast<long long>(a.width) - b.width);
        case 2:
            return Sign(static_cast<long long>(a.height) - b.height);
        default:
            return 0;
    }
}

std::span<const MessageEntry<ImageListView>> ImageListView::MessageTable() {
    static constexpr MessageEntry<ImageListView> kTable[] = {
        OnMessage<ImageListView>(WM_NCPAINT, &ImageListView::OnNcPaint),
        OnMessage<ImageListView>(WM_SIZE, &ImageListView::OnSize),
        OnNotify<ImageListView>(HDN_ITEMCHANGEDW, &ImageListView::OnHeaderItemChanged),
        OnReflectedNotify<ImageListView>(LVN_COLUMNCLICK, &ImageListView::OnColumnClick),
        OnReflectedNotify<ImageListView>(LVN_DELETEALLITEMS, &ImageListView::OnDeleteAllItems),
        OnReflectedNotify<ImageListView>(LVN_DELETEITEM, &ImageListView::OnDeleteItem),
        OnMessage<ImageListView>(WM_DESTROY, &ImageListView::OnDestroy),
    };
    return kTable;
}

bool ImageListView::Create(HWND parent, UINT id) {
    // LVS_SHOWSELALWAYS: the status bar counts the selection, so it stays visible without focus.
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS;
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", kStyle, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ResourceInstance(), nullptr);
    if (!list || !Attach(list)) return false;
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    dpi_ = WindowDpi(parent);
    // One list serves both views; shared, so the control does not destroy it twice.
    SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    CreateRowImages();
    for (int column = 0; column < 3; ++column) {
        std::wstring title = LoadUiString(kColumnTitles[column]);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        lvc.fmt = kColumnFormats[column];
        lvc.cx = ScaleToDpi(kColumnWidths[column], dpi_);
        lvc.pszText = title.data();
        lvc.iSubItem = column;
        ListView_InsertColumn(list, column, &lvc);
    }
    FitNameColumn();
    return true;
}

void ImageListView::CreateRowImages() {
    const int side = ScaleToDpi(16, dpi_);
    HIMAGELIST images = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 16, 16);
    if (!images) return;
    UniqueBitmap icon(static_cast<HBITMAP>(
        LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_ROW_ICON), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    UniqueBitmap scaled(side == 16 ? nullptr : StretchBitmap(icon.Get(), side, side));
    if (icon) ImageList_AddMasked(images, scaled ? scaled.Get() : icon.Get(), RGB(255, 0, 255));
    ListView_SetImageList(Hwnd(), images, LVSIL_NORMAL);
    ListView_SetImageList(Hwnd(), images, LVSIL_SMALL);
    if (rowImages_) ImageList_Destroy(rowImages_);
    rowImages_ = images;
}

void ImageListView::SetDpi(UINT dpi) {
    if (!Hwnd() || dpi == 0 || dpi == dpi_) return;
    const UINT old = dpi_;
    dpi_ = dpi;
    const HWND header = ListView_GetHeader(Hwnd());
    const int columns = header ? Header_GetItemCount(header) : 0;
    for (int column = 0; column < columns; ++column) {
        ListView_SetColumnWidth(Hwnd(), column, RescaleDpi(ListView_GetColumnWidth(Hwnd(), column), old, dpi));
    }
    FitNameColumn();
    CreateRowImages();
}

void ImageListView::FitNameColumn() {
    const HWND header = Hwnd() ? ListView_GetHeader(Hwnd()) : nullptr;
    const int columns = header ? Header_GetItemCount(header) : 0;
    if (columns == 0) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    int free = client.right;
    for (int column = 1; column < columns; ++column) free -= ListView_GetColumnWidth(Hwnd(), column);
    // A narrow pane scrolls rather than squeeze the names below their designed width.
    const int width = std::max(free, ScaleToDpi(kColumnWidths[0], dpi_));
    if (width != ListView_GetColumnWidth(Hwnd(), 0)) ListView_SetColumnWidth(Hwnd(), 0, width);
}

// The control lays out its rows and scroll bars first; the names then take what is left.
LRESULT ImageListView::OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const LRESULT result = DefSubclassProc(Hwnd(), message, wParam, lParam);
    FitNameColumn();
    return result;
}

LRESULT ImageListView::OnHeaderItemChanged(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const LRESULT result = DefSubclassProc(Hwnd(), message, wParam, lParam);
    const auto* change = reinterpret_cast<const NMHEADERW*>(lParam);
    // Width or height dragged wider or narrower: the names give or take the difference. The
    // name column's own changes (the user's drag, or ours) stand.
    if (change->iItem != 0 && change->pitem && (change->pitem->mask & HDI_WIDTH)) FitNameColumn();
    return result;
}

LRESULT ImageListView::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;  // the control must still see its own WM_DESTROY
    // Free the entries here too: a parent that does not reflect notifications never tells us.
    FreeEntries();
    if (rowImages_) {
        ImageList_Destroy(rowImages_);
        rowImages_ = nullptr;
    }
    return 0;
}

void ImageListView::Fill(ImageCollection* collection) {
    Clear();
    if (!collection || !Hwnd()) return;
    int count = 0;
    collection->GetImageCount(&count);
    const std::wstring pixelsFormat = LoadUiString(IDS_PIXELS);
    SendMessageW(Hwnd(), WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i) {
        auto* entry = new (std::nothrow) ImageListEntry{i};
        if (!entry) break;
        {
            ScopedBstr name;
            collection->GetImageName(i, name.Out());
            if (name.Length() > 0) entry->name.assign(name.Get(), name.Length());
        }
        if (entry->name.empty()) entry->name = FormatUiString(IDS_DEFAULT_IMAGE_NAME, {i});

        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.pszText = entry->name.data();
        item.iImage = 0;
        item.lParam = reinterpret_cast<LPARAM>(entry);
        const int row = ListView_InsertItem(Hwnd(), &item);
        if (row < 0) {
            delete entry;
            break;
        }
        collection->GetImageWidth(i, &entry->width);
        collection->GetImageHeight(i, &entry->height);
        std::wstring width = FormatUiString(IDS_PIXELS, {entry->width});
        std::wstring height = FormatUiString(IDS_PIXELS, {entry->height});
        ListView_SetItemText(Hwnd(), row, 1, width.data());
        ListView_SetItemText(Hwnd(), row, 2, height.data());
    }
    // A new document keeps the order the user chose for the last one.
    if (sortColumn_ != kNoSortColumn) ApplySort();
    SendMessageW(Hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void ImageListView::Clear() {
    FreeEntries();
}

void ImageListView::FreeEntries() {
    if (!Hwnd()) return;
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!ListView_GetItem(Hwnd(), &item)) continue;
        delete reinterpret_cast<ImageListEntry*>(item.lParam);
        item.lParam = 0;
        ListView_SetItem(Hwnd(), &item);
    }
    ListView_DeleteAllItems(Hwnd());
}

const ImageListEntry* ImageListView::GetEntry(int row) const {
    if (!Hwnd() || row < 0) return nullptr;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(Hwnd(), &item)) return nullptr;
    return reinterpret_cast<const ImageListEntry*>(item.lParam);
}

std::vector<int> ImageListView::GetSelectedIndices() const {
    std::vector<int> indices;
    if (!Hwnd()) return indices;
    for (int row = ListView_GetNextItem(Hwnd(), -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(Hwnd(), row, LVNI_SELECTED)) {
        if (const ImageListEntry* entry = GetEntry(row)) indices.push_back(entry->index);
    }
    return indices;
}

std::vector<int> ImageListView::GetAllIndices() const {
    std::vector<int> indices;
    const int rows = RowCount();
    indices.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        if (const ImageListEntry* entry = GetEntry(row)) indices.push_back(entry->index);
    }
    return indices;
}

int ImageListView::RowCount() const {
    return Hwnd() ? ListView_GetItemCount(Hwnd()) : 0;
}

int ImageListView::SelectedCount() const {
    return Hwnd() ? static_cast<int>(ListView_GetSelectedCount(Hwnd())) : 0;
}

std::wstring ImageListView::StatusText() const {
    const int selected = SelectedCount();
    return selected == 0 ? FormatUiString(IDS_IMAGE_COUNT, {RowCount()})
                         : FormatUiString(IDS_SELECTED_COUNT, {selected});
}

int CALLBACK ImageListView::CompareRows(LPARAM first, LPARAM second, LPARAM self) {
    const auto* view = reinterpret_cast<const ImageListView*>(self);
    const auto* a = reinterpret_cast<const ImageListEntry*>(first);
    const auto* b = reinterpret_cast<const ImageListEntry*>(second);
    if (!a || !b) return 0;
    const int order = CompareEntries(*a, *b, view->sortColumn_);
    return view->ascending_ ? order : -order;
}

void ImageListView::SortByColumn(int column) {
    if (column < 0 || column > 2 || !Hwnd()) return;
    if (column == sortColumn_) {
        ascending_ = !ascending_;
    } else {
        sortColumn_ = column;
        ascending_ = true;
    }
    ApplySort();
}

void ImageListView::ApplySort() {
    ListView_SortItems(Hwnd(), CompareRows, reinterpret_cast<LPARAM>(this));
    ListView_SetSelectedColumn(Hwnd(), sortColumn_);
    UpdateHeaderMarks();
}

int ImageListView::PreviewRow() const {
    if (!Hwnd()) return -1;
    const int focused = ListView_GetNextItem(Hwnd(), -1, LVNI_FOCUSED);
    if (focused >= 0 && (ListView_GetItemState(Hwnd(), focused, LVIS_SELECTED) & LVIS_SELECTED)) return focused;
    return ListView_GetNextItem(Hwnd(), -1, LVNI_SELECTED);
}

void ImageListView::SelectFirstRow() {
    if (!Hwnd() || RowCount() == 0) return;
    ListView_SetItemState(Hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(Hwnd(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(Hwnd(), 0);
    ListView_EnsureVisible(Hwnd(), 0, FALSE);
}

void ImageListView::UpdateHeaderMarks() {
    HWND header = ListView_GetHeader(Hwnd());
    const int count = Header_GetItemCount(header);
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~kHeaderMarkBits;
        if (i == sortColumn_) item.fmt |= ascending_ ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
}

LRESULT ImageListView::OnColumnClick(UINT, WPARAM, LPARAM lParam, bool&) {
    SortByColumn(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
    return 0;
}

LRESULT ImageListView::OnDeleteAllItems(UINT, WPARAM, LPARAM, bool&) {
    return FALSE;  // still send LVN_DELETEITEM for every row, which frees its entry
}

LRESULT ImageListView::OnDeleteItem(UINT, WPARAM, LPARAM lParam, bool&) {
    delete reinterpret_cast<ImageListEntry*>(reinterpret_cast<const NMLISTVIEW*>(lParam)->lParam);
    return 0;
}

LRESULT ImageListView::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const LRESULT result = DefSubclassProc(Hwnd(), message, wParam, lParam);
    HDC dc = wParam == 1 ? GetWindowDC(Hwnd())
                         : GetDCEx(Hwnd(), reinterpret_cast<HRGN>(wParam), DCX_WINDOW | DCX_INTERSECTRGN);
    if (!dc) dc = GetWindowDC(Hwnd());
    if (!dc) return result;
    RECT rect{};
    GetWindowRect(Hwnd(), &rect);
    OffsetRect(&rect, -rect.left, -rect.top);
    UniquePen pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    {
        ScopedSelectObject selectPen(dc, pen.Get());
        ScopedSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
    ReleaseDC(Hwnd(), dc);
    return result;
}

}  // namespace pictrove
