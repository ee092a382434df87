#include "manager/ui/settings/modem_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include "common/data_call.h"
#include "manager/core/command_ids.h"
#include "manager/ui/settings/pages.h"

namespace qmx2::manager::ui {
namespace {

constexpr const char* kSpeedMarks[] = {"9.6 ", "14.4 ", "19.2 ", "28.8 ", "43.2 "};
constexpr char kHighSpeedNote[] =
    "These settings require that High Speed Data services are activated for your SIM card.";

}  // namespace

QWidget* MakeModemPage(SettingsParts& parts, QWidget* parent) { return new ModemPageWidget(parts.ctx, parent); }

ModemPageWidget::ModemPageWidget(ManagerContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), page_(OpenModemPage(ctx)) {
    setObjectName("page" + QString::number(kDlgModemPage));
    setWindowTitle("Modem");
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(2);

    auto* frame = new QGroupBox("GSM connection speed in kbit/s", this);
    auto* in_frame = new QVBoxLayout(frame);
    marks_ = new QWidget(frame);
    for (const char* mark : kSpeedMarks) {
        auto* label = new QLabel(mark, marks_);
        label->adjustSize();
    }
    marks_->setFixedHeight(marks_->findChild<QLabel*>()->sizeHint().height());
    in_frame->addWidget(marks_);
    slider_ = new QSlider(Qt::Horizontal, frame);
    slider_->setObjectName("speedSlider");
    slider_->setRange(0, common::kDataCallSpeeds - 1);
    slider_->setPageStep(1);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    in_frame->addWidget(slider_);
    layout->addWidget(frame);
    receiving_ = new QLabel(this);
    receiving_->setObjectName("receiving");
    sending_ = new QLabel(this);
    sending_->setObjectName("sending");
    layout->addWidget(receiving_);
    layout->addWidget(sending_);
    layout->addSpacing(4);

    layout->addWidget(new QLabel("Connection method:", this));
    methods_ = new QButtonGroup(this);
    for (int m = 0; m < common::kDataCallMethods; ++m) {
        auto* button = new QRadioButton(common::DataCallMethodName(m), this);
        button->setObjectName("method" + QString::number(m));
        methods_->addButton(button, m);
        layout->addWidget(button);
    }
    methods_->button(page_.method)->setChecked(true);

    note_ = new QLabel(kHighSpeedNote, this);
    note_->setObjectName("note");
    note_->setWordWrap(true);
    layout->addWidget(note_);
    layout->addStretch();

    slider_->setValue(page_.slider);
    ShowSpeed();
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        MoveSpeedSlider(page_, position);
        ShowSpeed();
    });
}

ModemPageWidget::~ModemPageWidget() {
    // The sheet has ended, whichever button ended it: a changed setting is stored now.
    page_.method = methods_->checkedId();
    CloseModemPage(ctx_, page_);
}

void ModemPageWidget::ShowSpeed() {
    receiving_->setText(QString::fromLatin1(page_.receiving.c_str()));
    sending_->setText(QString::fromLatin1(page_.sending.c_str()));
    note_->setEnabled(page_.note_enabled);
}

void ModemPageWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceSpeedLabels();
}

void ModemPageWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PlaceSpeedLabels();
}

// Each speed label stands centred over its tick mark (the ends kept inside the frame).
void ModemPageWidget::PlaceSpeedLabels() {
    QStyleOptionSlider option;
    option.initFrom(slider_);
    option.orientation = Qt::Horizontal;
    option.minimum = slider_->minimum();
    option.maximum = slider_->maximum();
    const int handle = slider_->style()->pixelMetric(QStyle::PM_SliderLength, &option, slider_);
    const int span = slider_->width() - handle;
    const int offset = slider_->x() - marks_->x() + handle / 2;
    int i = 0;
    for (QLabel* label : marks_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const int centre = offset + QStyle::sliderPositionFromValue(option.minimum, option.maximum, i++, span);
        const int left = std::clamp(centre - label->width() / 2, 0, std::max(0, marks_->width() - label->width()));
        label->move(left, 0);
    }
}

}  // namespace qmx2::manager::ui
