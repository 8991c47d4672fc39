#include "mapview/ContextMenus.h"

#include <QAction>
#include <QMenu>

#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Text.h"

namespace {

constexpr const char* kLevel = "Wpt Creation &Level";
constexpr const char* kPrintOrigin = "Print Origin";
constexpr const char* kSearch = "Search Area";
constexpr const char* kSearchFind = "Search Area/Find";

// clang-format off
const std::vector<ContextItemDef> kItems = {
    {kPopupNoMap, "", "&Open Map", cmd::OpenMapButton},
    {kPopupNoMap, "", nullptr, 0},
    {kPopupNoMap, "", "&Exit", cmd::Exit},

    {kPopupImageMap, "", "&New Wpt", cmd::NewWpt},
    {kPopupImageMap, kLevel, "Automatic", cmd::WptLevelAutomatic},
    {kPopupImageMap, kLevel, nullptr, 0},
    {kPopupImageMap, kLevel, "PK250", cmd::WptLevelPK250},
    {kPopupImageMap, kLevel, "TK50", cmd::WptLevelTK50},
    {kPopupImageMap, kLevel, "TK25", cmd::WptLevelTK25},
    {kPopupImageMap, kLevel, "TN10", cmd::WptLevelTN10},
    {kPopupImageMap, kLevel, "TN5", cmd::WptLevelTN5},
    {kPopupImageMap, "", nullptr, 0},
    {kPopupImageMap, "", "&Select Wpts in Sector", cmd::SelectAllTempWpts},
    {kPopupImageMap, "", "Select All Temp Wpts", cmd::SelectAllTempWptsImage},
    {kPopupImageMap, "", nullptr, 0},
    {kPopupImageMap, "", "Set DMR View Point", cmd::SetDmrViewPoint},
    {kPopupImageMap, "", "Set Reference Point", cmd::RefPointSet},
    {kPopupImageMap, "", nullptr, 0},
    {kPopupImageMap, "", "&Colors  && Fonts", cmd::ColorsFonts},

    {kPopupFreeMap, "", "&New Wpt...", cmd::NewWpt},
    {kPopupFreeMap, kLevel, "Automatic", cmd::WptLevelAutomatic},
    {kPopupFreeMap, kLevel, nullptr, 0},
    {kPopupFreeMap, kLevel, "PK250", cmd::WptLevelPK250},
    {kPopupFreeMap, kLevel, "TK50", cmd::WptLevelTK50},
    {kPopupFreeMap, kLevel, "TK25", cmd::WptLevelTK25},
    {kPopupFreeMap, kLevel, "TN10", cmd::WptLevelTN10},
    {kPopupFreeMap, kLevel, "TN5", cmd::WptLevelTN5},
    {kPopupFreeMap, "", nullptr, 0},
    {kPopupFreeMap, "", "&Select Wpts in Sector", cmd::SelectWptsInSector},
    {kPopupFreeMap, "", "Select All Temp Wpts", cmd::SelectAllTempWpts},
    {kPopupFreeMap, "", nullptr, 0},
    {kPopupFreeMap, "", "Set DMR View Point", cmd::SetDmrViewPoint},
    {kPopupFreeMap, kPrintOrigin, "Set Here", cmd::PrintOriginHere},
    {kPopupFreeMap, kPrintOrigin, "Set to Grid", cmd::PrintOriginToGrid},
    {kPopupFreeMap, kPrintOrigin, nullptr, 0},
    {kPopupFreeMap, kPrintOrigin, "Goto Print Origin", cmd::GotoPrintOrigin},
    {kPopupFreeMap, "", "Mark Reference Point", cmd::RefPointMark},
    {kPopupFreeMap, "", nullptr, 0},
    {kPopupFreeMap, kSearch, "Draw Search Area Perimeter", cmd::DrawSearchPerimeter},
    {kPopupFreeMap, kSearch, nullptr, 0},
    {kPopupFreeMap, kSearch, "Set Start of Search Field Base Line", cmd::SetSearchBaseStart},
    {kPopupFreeMap, kSearch, "Set End of Search Field Base Line", cmd::SetSearchBaseEnd},
    {kPopupFreeMap, kSearch, "Set End of Search Field Direction Line", cmd::SetSearchDirectionEnd},
    {kPopupFreeMap, kSearch, nullptr, 0},
    {kPopupFreeMap, kSearch, "New Route", cmd::NewSearchRoute},
    {kPopupFreeMap, kSearch, nullptr, 0},
    {kPopupFreeMap, kSearch, "Load Search Area...", cmd::LoadSearchAreaOld},
    {kPopupFreeMap, kSearchFind, "Search Area Perimeter", cmd::FindSearchPerimeter},
    {kPopupFreeMap, kSearchFind, "Search Field", cmd::FindSearchField},
    {kPopupFreeMap, kSearchFind, "First Search Route", cmd::FindFirstSearchRoute},
    {kPopupFreeMap, "", nullptr, 0},
    {kPopupFreeMap, "", "&Colors  && Fonts", cmd::ColorsFonts},

    {kPopupWaypoint, "", "Edit Wpt...", cmd::WptEdit},
    {kPopupWaypoint, "", "&Move Wpt", cmd::WptMove},
    {kPopupWaypoint, "", nullptr, 0},
    {kPopupWaypoint, "Defined on", "PK250", cmd::WptDefinedOnFirst + 0},
    {kPopupWaypoint, "Defined on", "TK50", cmd::WptDefinedOnFirst + 1},
    {kPopupWaypoint, "Defined on", "TK25", cmd::WptDefinedOnFirst + 2},
    {kPopupWaypoint, "Defined on", "TN10", cmd::WptDefinedOnFirst + 3},
    {kPopupWaypoint, "Defined on", "TN5", cmd::WptDefinedOnFirst + 4},
    {kPopupWaypoint, "&Label position", "Label &Below", cmd::WptLabelBelow},
    {kPopupWaypoint, "&Label position", "Label &Above", cmd::WptLabelAbove},
    {kPopupWaypoint, "&Label position", "Label &Left", cmd::WptLabelLeft},
    {kPopupWaypoint, "&Label position", "Label &Right", cmd::WptLabelRight},
    {kPopupWaypoint, "", nullptr, 0},
    {kPopupWaypoint, "", "&Delete Wpt", cmd::WptDelete},

    {kPopupTrackPoint, "Go To", "Start of Track", cmd::TrkStartOfTrack},
    {kPopupTrackPoint, "Go To", "End of Track", cmd::TrkEndOfTrack},
    {kPopupTrackPoint, "Go To", nullptr, 0},
    {kPopupTrackPoint, "Go To", "Previous Segment", cmd::TrkPrevSegment},
    {kPopupTrackPoint, "Go To", "Start of Segment", cmd::TrkStartOfSegment},
    {kPopupTrackPoint, "Go To", "End of Segment", cmd::TrkEndOfSegment},
    {kPopupTrackPoint, "Go To", "Next Segment", cmd::TrkNextSegment},
    {kPopupTrackPoint, "Go To", nullptr, 0},
    {kPopupTrackPoint, "Go To", "Previous Day", cmd::TrkPrevDay},
    {kPopupTrackPoint, "Go To", "Start of Day", cmd::TrkStartOfDay},
    {kPopupTrackPoint, "Go To", "End of Day", cmd::TrkEndOfDay},
    {kPopupTrackPoint, "Go To", "Next Day", cmd::TrkNextDay},
    {kPopupTrackPoint, "Go To", nullptr, 0},
    {kPopupTrackPoint, "Go To", "Start of Selection", cmd::TrkStartOfSelection},
    {kPopupTrackPoint, "Go To", "End of Selection", cmd::TrkEndOfSelection},
    {kPopupTrackPoint, "", nullptr, 0},
    {kPopupTrackPoint, "Mark", "From This Point", cmd::TrkMarkFromThisPoint},
    {kPopupTrackPoint, "Mark", nullptr, 0},
    {kPopupTrackPoint, "Mark", "From Start of Track", cmd::TrkMarkStartOfTrack},
    {kPopupTrackPoint, "Mark", "From Start of Segment", cmd::TrkMarkStartOfSegment},
    {kPopupTrackPoint, "Mark", "From Start of Day", cmd::TrkMarkStartOfDay},
    {kPopupTrackPoint, "Select", "To This Point", cmd::TrkSelectToThisPoint},
    {kPopupTrackPoint, "Select", nullptr, 0},
    {kPopupTrackPoint, "Select", "To End of Track", cmd::TrkSelectToEndOfTrack},
    {kPopupTrackPoint, "Select", "To End of Segment", cmd::TrkSelectToEndOfSegment},
    {kPopupTrackPoint, "Select", "To End of Day", cmd::TrkSelectToEndOfDay},
    {kPopupTrackPoint, "Select", nullptr, 0},
    {kPopupTrackPoint, "Select", "This Point Only", cmd::TrkSelectThisPoint},
    {kPopupTrackPoint, "Select", "Whole Segment", cmd::TrkSelectWholeSegment},
    {kPopupTrackPoint, "Select", "Whole Day", cmd::TrkSelectWholeDay},
    {kPopupTrackPoint, "Select", nullptr, 0},
    {kPopupTrackPoint, "Select", "All", cmd::TrkSelectAll},
    {kPopupTrackPoint, "Selection", "Delete", cmd::TrkSelDelete},
    {kPopupTrackPoint, "Selection", "Export", cmd::TrkSelExport},
    {kPopupTrackPoint, "Selection", nullptr, 0},
    {kPopupTrackPoint, "Selection", "Clear", cmd::TrkSelClear},
    {kPopupTrackPoint, "", nullptr, 0},
    {kPopupTrackPoint, "", "Join", cmd::TrkJoin},
    {kPopupTrackPoint, "Break", "Before", cmd::TrkBreakBefore},
    {kPopupTrackPoint, "Break", "After", cmd::TrkBreakAfter},

    {kPopupRefPoint, "", "Delete", cmd::RefPointDelete},

    {kPopupPrintFrame, "", "Next Frame", cmd::NextPrintFrame},
    {kPopupPrintFrame, "", nullptr, 0},
    {kPopupPrintFrame, "", "P&age Setup", cmd::PageSetup},
    {kPopupPrintFrame, "", "P&rint Setup...", cmd::PrintSetup},
    {kPopupPrintFrame, "", nullptr, 0},
    {kPopupPrintFrame, "", "Print Pre&view", cmd::PrintPreview},
    {kPopupPrintFrame, "", "&Print...\tCtrl+P", cmd::Print},

    {kPopupSearchField, "", "Load Search Area...", cmd::LoadSearchArea},
    {kPopupSearchField, "", "Save Search Area...", cmd::SaveSearchArea},
    {kPopupSearchField, "", "Clear Search Area...", cmd::ClearSearchArea},
    {kPopupSearchField, "", nullptr, 0},
    {kPopupSearchField, "", "Export to GPS...", cmd::ExportToGps},
    {kPopupSearchField, "", nullptr, 0},
    {kPopupSearchField, "", "Delete Search Field...", cmd::DeleteSearchField},
    {kPopupSearchField, "", "Search Field Properties...", cmd::SearchFieldProperties},

    {kPopupSearchRoute, "", "Load Search Area...", cmd::LoadSearchAreaOld},
    {kPopupSearchRoute, "", "Save Search Area...", cmd::SaveSearchArea},
    {kPopupSearchRoute, "", "Clear Search Area", cmd::ClearSearchArea},
    {kPopupSearchRoute, "", nullptr, 0},
    {kPopupSearchRoute, "", "Export to GPS...", cmd::ExportToGps},
    {kPopupSearchRoute, "", nullptr, 0},
    {kPopupSearchRoute, "", "Delete route", cmd::DeleteSearchRoute},
    {kPopupSearchRoute, "", nullptr, 0},
    {kPopupSearchRoute, "", "Find Next Route", cmd::FindNextRoute},
    {kPopupSearchRoute, "", "Find Previous Route", cmd::FindPrevRoute},

    {kPopupNotUsed, "", "&Change to", cmd::WptChangeTo},
};
// clang-format on

}  // namespace

const std::vector<ContextItemDef>& ContextMenuTable() { return kItems; }

std::string EscapeMenuText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

void FillContextMenu(QMenu& menu, const ContextMenuChoice& choice, const CCommandRouter* router) {
    std::map<std::string, QMenu*> nested{{"", &menu}};
    // The nested popup of path, made (with its parents) where it first appears.
    auto popupOf = [&](const std::string& path, auto& self) -> QMenu* {
        if (auto it = nested.find(path); it != nested.end()) return it->second;
        const auto slash = path.rfind('/');
        QMenu* parent = slash == std::string::npos ? &menu : self(path.substr(0, slash), self);
        const std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
        return nested[path] = parent->addMenu(QString::fromLatin1(title.c_str()));
    };
    for (const ContextItemDef& row : kItems) {
        if (row.popup != choice.popup) continue;
        QMenu* m = popupOf(row.path, popupOf);
        if (row.id == 0) {
            m->addSeparator();
            continue;
        }
        const auto patched = choice.texts.find(row.id);
        CCmdUI ui(unsigned(row.id), true, false, patched != choice.texts.end() ? patched->second : row.text);
        if (router) router->Update(ui);
        QAction* a = m->addAction(Latin1Text(ui.m_strText));
        a->setData(row.id);
        a->setEnabled(ui.m_bEnabled);
        a->setCheckable(ui.m_bCheckChanged);
        a->setChecked(ui.m_bChecked);
    }
}
