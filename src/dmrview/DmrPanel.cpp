#include "dmrview/DmrPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <algorithm>

#include "dmr/DmrParamsIO.h"
#include "geo/Convert.h"
#include "platform/Prompt.h"
#include "platformui/NumberField.h"

namespace {

// Places shown: view points to the millimetre and angles to a hundredth of a
// degree, as view-point files keep them.
constexpr int kPointDecimals = 3;
constexpr int kAngleDecimals = 2;

// widest: the longest text the edit must show whole.
QLineEdit* NewEdit(const char* name, const char* widest, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
    // As QLineEdit sizes itself: the text with 2-pixel margins and room for
    // the cursor, then the frame.
    const QSize text(e->fontMetrics().horizontalAdvance(QLatin1String(widest)) + 2 * 2 + 2,
                     e->fontMetrics().height());
    e->setMinimumWidth(e->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, text, e).width());
    e->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return e;
}

QScrollBar* NewBar(Qt::Orientation o, const char* name, int lo, int hi, QWidget* parent) {
    auto* b = new QScrollBar(o, parent);
    b->setObjectName(name);
    b->setRange(lo, hi);
    b->setSingleStep(1);
    b->setPageStep(1);
    return b;
}

// A pair of arrow buttons that steps a value by -1 / +1 ("<name>Down", "<name>Up").
QWidget* NewSpin(const QString& name, bool horizontal, QWidget* parent,
                 const std::function<void(int)>& step) {
    auto* box = new QWidget(parent);
    auto* l = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box)) : new QVBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    for (int d : {-1, 1}) {
        auto* b = new QToolButton(box);
        b->setObjectName(name + (d < 0 ? "Down" : "Up"));
        b->setArrowType(horizontal ? (d < 0 ? Qt::LeftArrow : Qt::RightArrow)
                                   : (d < 0 ? Qt::DownArrow : Qt::UpArrow));
        b->setAutoRepeat(true);
        b->setFixedSize(16, horizontal ? 16 : 10);
        QObject::connect(b, &QToolButton::clicked, box, [step, d] { step(d); });
        if (horizontal)
            l->addWidget(b);
        else
            l->insertWidget(0, b);
    }
    return box;
}

QButtonGroup* NewRadios(std::initializer_list<const char*> texts, const char* name, QGridLayout* g, int row,
                        QWidget* parent) {
    auto* group = new QButtonGroup(parent);
    group->setObjectName(name);
    int id = 0, col = 1;
    for (const char* t : texts) {
        auto* r = new QRadioButton(QString::fromLatin1(t), parent);
        group->addButton(r, id++);
        g->addWidget(r, row + (col - 1) / 2, 1 + (col - 1) % 2);
        ++col;
    }
    return group;
}

bool ReadInt(const QLineEdit* e, std::int32_t& v) {
    double d = 0;
    if (!ParseDoubleField(e->text(), d) || d != std::trunc(d)) return false;
    v = SaturateToInt(d);
    return true;
}

// An edit that still shows v's text keeps v as it is: reading the rounded
// text back would move the view point with every redraw.
bool ReadReal(const QLineEdit* e, double& v, const QString& shown) {
    if (e->text() == shown) return true;
    return ParseDoubleField(e->text(), v);
}
bool ReadReal(const QLineEdit* e, double& v, int decimals) {
    return ReadReal(e, v, FormatRoundedField(v, decimals));
}

// A heading that rounds up to a whole turn shows as north, never 360.
QString HeadingText(double a) {
    return FormatRoundedField(RoundedHeading(a, kAngleDecimals), kAngleDecimals);
}

}  // namespace

CDmrPanel::CDmrPanel(DmrParams& settings, UpdateDmrFn updateDmr, QWidget* parent)
    : QWidget(parent), m_Settings(settings), m_UpdateDmr(std::move(updateDmr)), m_Copy(settings) {
    setObjectName("DmrPanel");
    // A pane narrower or lower than the form scrolls it rather than squeeze
    // the fields until their numbers are cut off.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("panelScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto* form = new QWidget(scroll);
    scroll->setWidget(form);
    auto* g = new QGridLayout(form);
    g->setContentsMargins(6, 6, 6, 6);
    g->setVerticalSpacing(2);
    int row = 0;
    auto label = [&](const char* text, int r, int c) {
        g->addWidget(new QLabel(QString::fromLatin1(text), form), r, c);
    };

    auto* apply = new QPushButton("Apply", form);
    apply->setObjectName("apply");
    connect(apply, &QPushButton::clicked, this, [this] { OnApply(); });
    g->addWidget(apply, row, 0);
    m_Forward = NewBar(Qt::Vertical, "forward", 0, 2, form);
    m_Sideways = NewBar(Qt::Horizontal, "sideways", 0, 2, form);
    for (QScrollBar* b : {m_Forward, m_Sideways}) b->setValue(1);  // arrows only: the thumb stays centred
    g->addWidget(m_Forward, row, 3, 3, 1);
    g->addWidget(m_Sideways, row, 1, 1, 2);
    ++row;

    label("N:", row, 0);
    g->addWidget(m_North = NewEdit("north", "-00000000.000", form), row, 1);
    label("E:", ++row, 0);
    g->addWidget(m_East = NewEdit("east", "-00000000.000", form), row, 1);

    label("Heading (\xb0)", ++row, 0);
    g->addWidget(m_Heading = NewEdit("heading", "000.00", form), row, 1);
    g->addWidget(NewSpin("heading", true, form, [this](int d) { OnHeadingSpin(d); }), row, 2);
    label("Step (m)", ++row, 0);
    g->addWidget(m_Step = NewEdit("step", "000000", form), row, 1);
    g->addWidget(NewSpin("step", false, form, [this](int d) { OnStepSpin(d); }), row, 2);
    label("Range (km)", ++row, 0);
    g->addWidget(m_Range = NewEdit("range", "0000", form), row, 1);
    g->addWidget(NewSpin("range", false, form, [this](int d) { OnRangeSpin(d); }), row, 2);

    label("Height", ++row, 0);
    g->addWidget(m_Height = NewEdit("height", "-0000000", form), row, 1);
    g->addWidget(m_Relative = new QCheckBox("Rel.", form), row, 2);
    m_Relative->setObjectName("relative");
    label("Elev. (\xb0)", ++row, 0);
    g->addWidget(m_Elevation = NewEdit("elevation", "-000.00", form), row, 1);
    label("View Ang.(\xb0)", ++row, 0);
    g->addWidget(m_ViewAngle = NewEdit("viewAngle", "000.00", form), row, 1);
    // The three bars stand side by side beside the edits they belong to.
    auto* bars = new QHBoxLayout;
    m_HeightBar = NewBar(Qt::Vertical, "heightBar", 0, 5000, form);
    m_ElevationBar = NewBar(Qt::Vertical, "elevationBar", -45, 45, form);
    m_ViewAngleBar = NewBar(Qt::Vertical, "viewAngleBar", 10, 89, form);
    for (QScrollBar* b : {m_HeightBar, m_ElevationBar, m_ViewAngleBar}) {
        b->setMinimumHeight(80);
        bars->addWidget(b);
    }
    g->addLayout(bars, row - 2, 3, 3, 1);

    label("Preview:", ++row, 0);
    m_Preview = NewRadios({"Preview", "Delayed", "Surface"}, "preview", g, row, form);
    row += 2;
    g->addWidget(m_StickToGps = new QCheckBox("Stick to GPS", form), row, 2);
    m_StickToGps->setObjectName("stickToGps");
    label("Surface:", ++row, 0);
    m_Surface = NewRadios({"Gray", "Hypso", "Map", "Photo"}, "surface", g, row, form);
    row += 2;
    label("Rendering:", row, 0);
    m_Rendering = NewRadios({"Coarse", "Medium", "Fine"}, "rendering", g, row, form);
    row += 1;
    g->addWidget(m_FillGaps = new QCheckBox("Fill the gaps", form), row, 2);
    m_FillGaps->setObjectName("fillGaps");
    g->setRowStretch(row + 1, 1);
    g->setColumnStretch(4, 1);

    connect(m_Forward, &QScrollBar::actionTriggered, this, [this](int a) { OnMoveBar(m_Forward, a); });
    connect(m_Sideways, &QScrollBar::actionTriggered, this, [this](int a) { OnMoveBar(m_Sideways, a); });
    connect(m_HeightBar, &QScrollBar::actionTriggered, this, [this](int a) { OnHeightBar(a); });
    connect(m_ElevationBar, &QScrollBar::actionTriggered, this,
            [this](int a) { OnAngleBar(m_ElevationBar, a); });
    connect(m_ViewAngleBar, &QScrollBar::actionTriggered, this,
            [this](int a) { OnAngleBar(m_ViewAngleBar, a); });
    for (QLineEdit* e : {m_Heading, m_Height, m_Elevation, m_ViewAngle})
        connect(e, &QLineEdit::textEdited, this, [this, e] { OnEdited(e); });
    connect(m_Relative, &QCheckBox::clicked, this, [this] { OnRelative(); });
    connect(m_StickToGps, &QCheckBox::clicked, this, [this] {
        ReadControls();
        m_Settings.StickToGps = m_Copy.StickToGps;
        Redraw();
    });
    connect(m_Preview, &QButtonGroup::idClicked, this, [this] {
        ReadControls();
        m_Settings.PreviewMode = m_Copy.PreviewMode;
        Redraw();
    });
    // A wireframe does not depend on the surface.
    connect(m_Surface, &QButtonGroup::idClicked, this, [this] {
        ReadControls();
        m_Settings.SurfaceType = m_Copy.SurfaceType;
        if (m_Copy.PreviewMode > 0) Redraw();
    });
    FillControls();
}

void CDmrPanel::UpdateControls(bool toPanel) {
    if (toPanel) {
        m_Settings.PrevViewPoint = m_Copy.ViewPoint;
        m_Copy = m_Settings;
        FillControls();
    } else {
        // What was taken is shown as taken (a heading of 725 shows 5); an edit
        // that held no number keeps its text for the user to mend.
        const bool numbers = ReadControls();
        m_Copy.PrevViewPoint = m_Settings.ViewPoint;
        m_Settings = m_Copy;
        if (numbers) FillControls();
    }
}

bool CDmrPanel::ReadControls() {
    DmrParams& c = m_Copy;
    // The height edit holds the height of the mode the panel shows.
    bool ok = ReadInt(m_Height, DmrCurrentHeight(c));
    // The heading edit keeps what was typed; the copy holds it normalised.
    ok &= ReadReal(m_Heading, c.Azimut, HeadingText(c.Azimut));
    c.Azimut = NormalizeAzimut(c.Azimut);
    ok &= ReadReal(m_Elevation, c.Elevation, kAngleDecimals);
    ok &= ReadReal(m_ViewAngle, c.ViewAngle, kAngleDecimals);
    ok &= ReadReal(m_North, c.ViewPoint.northing, kPointDecimals);
    ok &= ReadReal(m_East, c.ViewPoint.easting, kPointDecimals);
    ok &= ReadInt(m_Range, c.Visibility);
    ok &= ReadInt(m_Step, c.MoveStep);
    c.IsRelHeight = m_Relative->isChecked();
    c.StickToGps = m_StickToGps->isChecked();
    c.FillGaps = m_FillGaps->isChecked();
    c.PreviewMode = std::max(0, m_Preview->checkedId());
    c.SurfaceType = std::max(0, m_Surface->checkedId());
    c.Rendering = std::max(0, m_Rendering->checkedId());
    return ok;
}

void CDmrPanel::FillControls() {
    const DmrParams& c = m_Copy;
    m_Heading->setText(HeadingText(c.Azimut));
    m_Elevation->setText(FormatRoundedField(c.Elevation, kAngleDecimals));
    m_ViewAngle->setText(FormatRoundedField(c.ViewAngle, kAngleDecimals));
    m_North->setText(FormatRoundedField(c.ViewPoint.northing, kPointDecimals));
    m_East->setText(FormatRoundedField(c.ViewPoint.easting, kPointDecimals));
    m_Range->setText(QString::number(c.Visibility));
    m_Step->setText(QString::number(c.MoveStep));
    m_Height->setText(QString::number(c.IsRelHeight ? c.RelHeight : c.AbsHeight));
    m_Relative->setChecked(c.IsRelHeight != 0);
    m_StickToGps->setChecked(c.StickToGps != 0);
    m_FillGaps->setChecked(c.FillGaps != 0);
    // A value outside the radios leaves none checked.
    const auto check = [](QButtonGroup* g, int id) {
        if (QAbstractButton* b = g->button(id)) {
            b->setChecked(true);
        } else if (QAbstractButton* on = g->checkedButton()) {
            g->setExclusive(false);
            on->setChecked(false);
            g->setExclusive(true);
        }
    };
    check(m_Preview, c.PreviewMode);
    check(m_Surface, c.SurfaceType);
    check(m_Rendering, c.Rendering);
    SetBarPositions();
}

void CDmrPanel::SetBarPositions() {
    const QSignalBlocker b1(m_HeightBar), b2(m_ElevationBar), b3(m_ViewAngleBar);
    const int max = DmrHeightMaximum(m_Copy);
    m_HeightBar->setRange(0, max);
    m_HeightBar->setSliderPosition(SaturatedSum(max, -1LL * DmrCurrentHeight(m_Copy)));
    m_ElevationBar->setSliderPosition(SaturateToInt(-m_Copy.Elevation));
    m_ViewAngleBar->setSliderPosition(SaturateToInt(m_Copy.ViewAngle));
}

void CDmrPanel::OnApply() {
    if (!ReadControls()) {
        MsgBox("Please enter a number.", MB_OK | MB_ICONWARNING);
        return;
    }
    FillControls();
    Redraw();
}

void CDmrPanel::OnHeadingSpin(int delta) {
    ReadControls();
    TurnDmrHeading(m_Copy, 5.0 * delta);
    FillControls();
    Redraw();
}

void CDmrPanel::OnStepSpin(int delta) {
    ReadControls();
    m_Copy.MoveStep = std::clamp(SaturatedSum(m_Copy.MoveStep, 100LL * delta), 100, 10000);
    m_Step->setText(QString::number(m_Copy.MoveStep));
}

void CDmrPanel::OnRangeSpin(int delta) {
    // The new range is in the copy before the redraw, so the picture shows
    // the range the edit shows.
    ReadControls();
    m_Copy.Visibility = std::clamp(SaturatedSum(m_Copy.Visibility, 10LL * delta), 10, 100);
    m_Range->setText(QString::number(m_Copy.Visibility));
    Redraw();
}

void CDmrPanel::OnMoveBar(QScrollBar* bar, int action) {
    // The bar has no position of its own: it stays in the middle.
    bar->setSliderPosition(1);
    const int sign = action == QAbstractSlider::SliderSingleStepSub   ? 1
                     : action == QAbstractSlider::SliderSingleStepAdd ? -1
                                                                      : 0;
    if (!sign) return;
    ReadControls();
    const double step = sign * double(m_Copy.MoveStep);
    // Up moves forward; left moves to the left (sub is up and left).
    if (bar == m_Forward)
        MoveDmrViewPoint(m_Copy, step, 0.0);
    else
        MoveDmrViewPoint(m_Copy, 0.0, -step);
    FillControls();
    Redraw();
}

void CDmrPanel::OnRelative() {
    ReadControls();
    m_Settings.IsRelHeight = m_Copy.IsRelHeight;
    FillControls();
    Redraw();
}

void CDmrPanel::OnHeightBar(int action) {
    ReadControls();
    int& h = DmrCurrentHeight(m_Copy);
    const int before = h;
    const int s = m_Copy.IsRelHeight ? 10 : 100, p = 10 * s;
    const int max = DmrHeightMaximum(m_Copy);
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            h = SaturatedSum(h, s);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            h = SaturatedSum(h, -s);
            break;
        case QAbstractSlider::SliderPageStepSub:
            h = SaturatedSum(h, p);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            h = SaturatedSum(h, -p);
            break;
        case QAbstractSlider::SliderMove:
            h = max - m_HeightBar->sliderPosition();
            break;
        default:
            break;
    }
    // The height goes on beyond the bar; the bar shows its end.
    m_HeightBar->setSliderPosition(SaturatedSum(max, -1LL * h));
    FillControls();
    if (h != before) Redraw();
}

void CDmrPanel::OnAngleBar(QScrollBar* bar, int action) {
    ReadControls();
    const bool elevation = bar == m_ElevationBar;
    double& v = elevation ? m_Copy.Elevation : m_Copy.ViewAngle;
    const double before = v;
    // Up raises the elevation but narrows the view.
    const int up = elevation ? 1 : -1;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            v += up;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            v -= up;
            break;
        case QAbstractSlider::SliderPageStepSub:
            v += 10 * up;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            v -= 10 * up;
            break;
        case QAbstractSlider::SliderMove:
            v = bar->sliderPosition() * -up;
            break;
        default:
            break;
    }
    v = elevation ? std::clamp(v, -90.0, 90.0) : std::clamp(v, 10.0, 89.0);
    bar->setSliderPosition(SaturateToInt(v * -up));
    FillControls();
    if (v != before) Redraw();
}

void CDmrPanel::OnEdited(QLineEdit* edit) {
    // A sign or an empty edit on the way to a number is no error and no
    // reason to redraw; the other controls follow once the text is a number.
    double v = 0;
    if (!ParseDoubleField(edit->text(), v)) return;
    if (edit == m_Heading) {
        m_Copy.Azimut = NormalizeAzimut(v);
    } else if (edit == m_Height) {
        std::int32_t h = 0;
        if (!ReadInt(edit, h)) return;
        DmrCurrentHeight(m_Copy) = h;
    } else if (edit == m_Elevation) {
        m_Copy.Elevation = v;
    } else {
        m_Copy.ViewAngle = v;
    }
    SetBarPositions();
}
