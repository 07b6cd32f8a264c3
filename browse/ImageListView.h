// The left pane: one report row per image of the open document, sortable by any column, whose
// selection gives collection indices in the order shown.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "contracts/ReaderContract.h"
#include "common/Handles.h"
#include "ui/Dpi.h"
#include "ui/Window.h"

namespace pictrove {

struct ImageListEntry {
    int index = 0;
    std::wstring name;
    int width = 0;
    int height = 0;
};

// Which commands the list's state allows.
struct ListCommandStates {
    bool copyImage = false;
    bool extractSelected = false;
    bool extractAll = false;
};
ListCommandStates CommandStatesFor(bool documentOpen, int selectedCount);

// Ordinal comparison of names by 16-bit code units, and of numbers; -1, 0 or 1.
int CompareEntries(const ImageListEntry& a, const ImageListEntry& b, int column);

class ImageListView : public SubclassedWindowImpl<ImageListView> {
  public:
    static constexpr int kNoSortColumn = -1;

    // Creates the list control as a child of parent and sets up rows icons and columns.
    // Columns and row icons are sized for the parent's dpi.
    bool Create(HWND parent, UINT id = 0);
    // Another screen density: column widths (the user's included) and row icons follow it.
    // The name column always takes the list's free width, never less than its designed width.
    void SetDpi(UINT dpi);
    UINT Dpi() const { return dpi_; }

    void Fill(ImageCollection* collection);
    void Clear();
    std::vector<int> GetSelectedIndices() const;
    std::vector<int> GetAllIndices() const;
    const ImageListEntry* GetEntry(int row) const;
    int RowCount() const;
    int SelectedCount() const;

    // The row the preview shows: the focused row when it is selected, else the first selected
    // row (the one Copy image takes when it is the only one); -1 when none is selected.
    int PreviewRow() const;
    // Focuses and selects the top row, as a freshly opened document starts.
    void SelectFirstRow();

    // Sorts as a click on the column's header does.
    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool Ascending() const { return ascending_; }

    // "%d images" or "%d images selected".
    std::wstring StatusText() const;

    static std::span<const MessageEntry<ImageListView>> MessageTable();

  private:
    LRESULT OnColumnClick(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDeleteAllItems(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDeleteItem(UINT, WPARAM, LPARAM, bool&);
    void FreeEntries();
    LRESULT OnNcPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnHeaderItemChanged(UINT, WPARAM, LPARAM, bool&);
    // The name column takes the width the other columns leave in the list.
    void FitNameColumn();
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    void ApplySort();
    void UpdateHeaderMarks();
    static int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM self);

    int sortColumn_ = kNoSortColumn;
    bool ascending_ = false;
    void CreateRowImages();

    HIMAGELIST rowImages_ = nullptr;
    UINT dpi_ = kDesignDpi;
};

}  // namespace pictrove
