#include "root/IdleHook.h"

#include <QSocketNotifier>
#include <cmath>

#include "doc/VornaDoc.h"
#include "frame/MainFrm.h"
#include "geo/Convert.h"
#include "gps/NmeaReceiver.h"
#include "mapview/MapViewController.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platformui/IdleDriver.h"
#include "settings/AppSettings.h"

namespace {
// While reception is the only work, passes come at this pace at the least;
// data on the port wakes the driver at once, so this only catches a port
// that reports errors instead of data.
constexpr int kPortPollMs = 100;
}  // namespace

CIdleHook::Frame CIdleHook::FrameOf(CMainFrame& frame) {
    QPointer<CMainFrame> f(&frame);
    Frame r;
    r.baseIdle = [f](long count) { return f && f->OnIdle(count); };
    r.mapViews = [f] {
        std::vector<CMapViewController*> views;
        for (int i = 0; f && i < f->MapViewCount(); ++i)
            if (CVornaView* v = f->MapView(i)) views.push_back(&v->Controller());
        return views;
    };
    r.updateDmr = [f](bool toPanel, bool redraw) {
        if (f) f->UpdateDmr(toPanel, redraw);
    };
    return r;
}

CIdleHook::CIdleHook(CNmeaReceiver& receiver, AppSettings& settings, std::function<CVornaDoc*()> doc,
                     Frame frame, QObject* parent)
    : QObject(parent),
      m_Receiver(receiver),
      m_Settings(settings),
      m_Doc(std::move(doc)),
      m_Frame(std::move(frame)) {}

CIdleHook::~CIdleHook() { delete m_Notifier; }

void CIdleHook::Attach(CIdleDriver& driver) {
    m_Driver = &driver;
    driver.SetHook([this](long count) { return OnIdle(count); });
    driver.SetPollingOnly([this] { return PollingOnly(); });
    driver.SetPollIntervalMs(kPortPollMs);
    driver.SetNextDue([this] { return saveDueMs ? saveDueMs() : -1; });
}

bool CIdleHook::OnIdle(long count) {
    const bool more = Pass(count);
    // A change made by the pass itself (the end of a transfer) starts its
    // minute now: no event may follow to run another pass.
    if (noteStores) noteStores();
    return more;
}

bool CIdleHook::Pass(long count) {
    bool result = m_Frame.baseIdle ? m_Frame.baseIdle(count) : false;
    const bool baseBusy = result;
    if (saveStores) saveStores();

    // A move armed by the last pass with positions: the 3-D view point goes
    // to the position, looking along the last piece of track.
    if (m_Receiver.GpsMovePending) {
        m_Receiver.GpsMovePending = 0;
        DmrParams& dmr = m_Settings.dmr;
        const CPointD pos = m_Receiver.GpsPosition;
        if (CVornaDoc* doc = m_Doc ? m_Doc() : nullptr) {
            const CTrackLogStore& log = doc->TrackLogStore();
            if (log.Count() > 0) {
                const CPointD p = log.Points()[std::max(log.Count() - 2, 0)].position;
                const double dx = pos.easting - p.easting, dy = pos.northing - p.northing;
                // Standing still gives no direction: the view keeps its own.
                if (dx != 0.0 || dy != 0.0) {
                    dmr.Azimut = NormalizeDegrees(std::atan2(dx, dy) * 180.0 / kPi);
                }
            }
        }
        dmr.ViewPoint = pos;
        if (m_Frame.updateDmr) m_Frame.updateDmr(true, true);
        m_PollingOnly = false;
        return true;
    }

    const bool garminBusy = garminStep && garminStep();
    result = result || garminBusy;

    bool receiving = false;
    if (m_Receiver.Enabled()) {
        ReceivePositions();
        receiving = true;
        result = true;
    } else {
        // The two share the one port: a transfer's replies wake the driver too.
        WatchPort(garminBusy && garminPort ? garminPort() : -1, false);
    }

    bool renderBusy = false;
    if (renderStep) renderBusy = renderStep();
    result = result || renderBusy;

    // A transfer only waits for the receiver's replies (or its time-out).
    m_PollingOnly = (receiving || garminBusy) && !renderBusy && !baseBusy && !m_Receiver.GpsMovePending;
    return result;
}

void CIdleHook::ReceivePositions() {
    CVornaDoc* doc = m_Doc ? m_Doc() : nullptr;
    const NmeaPass pass = m_Receiver.Receive(doc ? &doc->TrackLogStore() : nullptr);
    WatchPort(m_Receiver.PortHandle(), pass.readFailed);
    if (pass.sentences == 0) return;
    const CPointD pos = m_Receiver.GpsPosition;
    if (m_Frame.mapViews)
        for (CMapViewController* view : m_Frame.mapViews())
            if (view->Desc().tracking == kTrackingGps)
                view->CenterOnPosition(pos.easting, pos.northing, 20.0);
    // A box shown while handling may have ended the document.
    doc = m_Doc ? m_Doc() : nullptr;
    if (doc) {
        if (pass.sentences == 1)
            doc->UpdateAllViews(nullptr, kHintTrackPiece, &pass.triple);
        else
            doc->UpdateAllViews(nullptr, kHintAll);
    }
    const DmrParams& dmr = m_Settings.dmr;
    const double dx = dmr.ViewPoint.easting - pos.easting, dy = dmr.ViewPoint.northing - pos.northing;
    // Before a fix the position is nowhere: nothing to stick to yet.
    if (dmr.StickToGps && m_Receiver.HadFixSinceOpen() &&
        (dmr.PreviewMode == 0 || dx * dx + dy * dy > 40000.0) && renderIdle && renderIdle())
        m_Receiver.GpsMovePending = 1;
}

void CIdleHook::WatchPort(int fd, bool readFailed) {
    if (m_Notifier && (fd < 0 || m_Notifier->socket() != fd)) {
        delete m_Notifier;
        m_Notifier = nullptr;
    }
    if (fd < 0) return;
    if (!m_Notifier) {
        m_Notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
        // Level-triggered: it stays off until a pass has read what arrived,
        // so data waiting behind a modal box cannot keep it firing.
        connect(m_Notifier, &QSocketNotifier::activated, this, [this] {
            m_Notifier->setEnabled(false);
            if (m_Driver) m_Driver->Wake();
        });
    }
    // A port that fails (unplugged, hung up) is only polled.
    m_Notifier->setEnabled(!readFailed);
}

void AddGpsTrackingCommand(CCommandMap& frameCommands, CMainFrame& frame, CNmeaReceiver& receiver) {
    frameCommands.AddCommand(cmd::GpsTrackingHome, [&frame, &receiver] {
        if (CMapViewController* c = frame.ActiveController()) c->SetTracking(kTrackingGps);
        if (!receiver.Enabled()) receiver.OpenGpsPort();
        frame.HideBars();
    });
}
