#pragma once
// One map pane: owns its descriptor and segment claims, opens maps, paints
// through the document's drawing entry, keeps the print area and prints it.
// The main frame makes one or two of them per pane layout.

#include <QAbstractScrollArea>
#include <memory>

#include "doc/DocView.h"
#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"

class CCmdUI;
class CVornaDoc;
class IMapViewFrame;
class QPainter;
class QPrinter;

class CVornaView : public QAbstractScrollArea, public IDocView {
    Q_OBJECT
public:
    explicit CVornaView(CVornaDoc* doc, QWidget* parent = nullptr);
    ~CVornaView() override;

    void SetFrame(IMapViewFrame* frame) { m_Frame = frame; }
    CVornaDoc* GetDocument() const { return m_Doc; }

    // Settings slot s (0-2) into the pane, then opens its map.
    void InitFromSettings(int viewIndex, int slot);
    // Back into the slot (nothing with slot -1).
    void SaveToSettings();
    // mapType -3..4; keepCentre: the grid point at the pane's centre stays there.
    void OpenMap(int mapType, int keepCentre);
    void ComputePrintArea();

    // Document update hints 0-6.
    void OnUpdate(IDocView* sender, long hint, const void* hintObject) override;
    // The pane became the active one (focus or click).
    void OnActivateView(bool activate);

    // ---- display commands routed by the frame to the active pane --------
    void SetPrintGrid(int n);  // series 0-4
    void OnUpdatePrintGrid(int n, CCmdUI& ui) const;
    void ToggleLayer(int n);  // 0-14
    void OnUpdateLayer(int n, CCmdUI& ui) const;
    void ToggleOverlay();
    void OnUpdateOverlay(CCmdUI& ui) const;
    void SetUnselectedWpt(int mode);  // 0 show all, 1 other colour, 2 hide
    void OnUpdateUnselectedWpt(int mode, CCmdUI& ui) const;
    void SetDmrArea(int mode);  // 0 never, 2 always; 1 ("Delayed") changes nothing
    void OnUpdateDmrArea(int mode, CCmdUI& ui) const;
    void SetTracking(int mode);  // 0 off, 1 GPS, 2 3-D view point
    void OnUpdateTracking(int mode, CCmdUI& ui) const;
    void OnOpenMapSeries(int series);  // "Open Map..." entries, keeps the centre
    void OnUpdateOpenMapSeries(int series, CCmdUI& ui) const;
    void OnNextSeries();  // Page Down
    void OnUpdateNextSeries(CCmdUI& ui) const;
    void OnPrevSeries();  // Page Up
    void OnUpdatePrevSeries(CCmdUI& ui) const;
    void ToggleMouseScrolling();  // Tab
    void OnUpdateMouseScrolling(CCmdUI& ui) const;

    // ---- printing ------------------------------------------------------
    // "Print...": the print dialog on the program's printer, then the page.
    void OnFilePrint();
    void OnFilePrintPreview();
    // The job without its dialog: print area check and question, one page,
    // release of the print claims. False when cancelled or failed.
    bool PrintTo(QPrinter& printer);
    // The printed page on any device (printer, PDF, a test image); the
    // resolution is the device's.
    void DrawPrintPage(QPainter& dc);
    bool OnPreparePrinting();
    void OnEndPrinting();

    // ---- scrolling -----------------------------------------------------
    void SetScrollOrigin(int x, int y);
    void UpdateScrollRanges();

    // ---- state ---------------------------------------------------------
    MapViewDesc& Desc() { return m_Desc; }
    const MapViewDesc& Desc() const { return m_Desc; }
    int ViewIndex() const { return m_ViewIndex; }
    int SettingsSlot() const { return m_SettingsSlot; }
    bool LayerAvailable(int n) const { return n >= 0 && n < 6 && m_LayerAvailable[n] != 0; }
    CPointD ViewCentre() const { return m_ViewCentre; }
    QRect PrintFrame() const { return m_PrintFrame; }
    MapSize MaxPrintSize() const { return m_MaxPrintSize; }
    int PrintWidth() const { return m_PrintWidth; }
    int PrintHeight() const { return m_PrintHeight; }
    void SetPrintWidthHeight(int w, int h) {
        m_PrintWidth = w;
        m_PrintHeight = h;
    }
    bool HasSegmentFlags() const { return m_SInView != nullptr; }
    const SegmentFlags* SInView() const { return m_SInView.get(); }

    static constexpr int kHandleSize = 3;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void ReleaseSegmentFlags(std::unique_ptr<SegmentFlags>& flags, const char* which, const char* where,
                             bool release, bool print);
    void RepaintAll();
    void RecomputeViewCentre();
    void UpdateClientSize();
    bool CheckDoc() const;

    CVornaDoc* m_Doc;
    IMapViewFrame* m_Frame = nullptr;
    int m_Dummy = 555;
    int m_ViewIndex = -1;
    int m_SettingsSlot = -1;
    int m_TestIndex = -1;
    MapViewDesc m_Desc;
    int m_LayerAvailable[6] = {};
    QRect m_PrintFrame;
    CPointD m_ViewCentre;
    QuadrantFlags m_QInView{};
    QuadrantFlags m_QInPrint{};
    std::unique_ptr<SegmentFlags> m_SInView;
    std::unique_ptr<SegmentFlags> m_SInPrint;
    int m_SInViewMem = 0;
    int m_SInPrintMem = 0;
    int m_SettingsSaved = 0;
    MapSize m_MaxPrintSize;
    int m_PrintWidth = -1;
    int m_PrintHeight = -1;
    bool m_SettingOrigin = false;
};
