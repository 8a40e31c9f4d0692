#include "calibration/CalibrationPage.h"

#include "calibration/CalibrationTexts.h"
#include "common/Prompter.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>

namespace {

// The page's layout in dialog units (x, y, width, height), rows from the top.
struct RowLayout
{
    CalibrationChannel channel;
    QRect labelRect;
    QRect promptRect;
    QRect editRect;
    QRect buttonRect;
};

const std::array<RowLayout, kCalibrationChannels> kRows{{
    {CalibrationChannel::Ont1270,
     {6, 31, 58, 14},
     {56, 31, 107, 14},
     {167, 27, 59, 14},
     {264, 25, 50, 14}},
    {CalibrationChannel::Ont1310,
     {6, 59, 58, 14},
     {56, 59, 107, 14},
     {168, 57, 57, 14},
     {264, 55, 50, 14}},
    {CalibrationChannel::Olt1490,
     {6, 90, 58, 14},
     {56, 90, 107, 14},
     {168, 88, 57, 14},
     {264, 86, 50, 14}},
    {CalibrationChannel::Olt1577,
     {6, 120, 58, 14},
     {56, 120, 107, 14},
     {168, 118, 57, 14},
     {263, 116, 50, 14}},
}};
constexpr int kUnitX = 231;
constexpr int kUnitWidth = 20;
const QRect kFactoryRect{221, 151, 93, 14};
const QRect kLastSentRect{6, 167, 308, 10};
const QSize kPageSize{348, 179};

// The wall-clock time of a frame just sent, as the line under the buttons shows it.
QString Now()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

CalibrationPage::CalibrationPage(DeviceLink& link, Prompter& prompter, QWidget* parent)
    : TabPage(parent), prompter_(prompter), references_(link)
{
    for (const RowLayout& layout : kRows) {
        Row& row = rows_[Index(layout.channel)];
        // Static texts sit at the top of their box, level with the text of the taller edit.
        row.channel = new QLabel(CalibrationChannelName(layout.channel), this);
        row.channel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        row.prompt = new QLabel(CalibrationText::Prompt(), this);
        row.prompt->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        row.edit = new QLineEdit(ReferenceText(references_.Value(layout.channel)), this);
        row.unit = new QLabel(CalibrationText::Unit(), this);
        row.unit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        row.button = new QPushButton(CalibrationText::Calibrate(), this);

        QLineEdit* edit = row.edit;
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { OnReferenceChanged(edit); });
        const CalibrationChannel channel = layout.channel;
        connect(row.button, &QPushButton::clicked, this, [this, channel] { OnCalibrate(channel); });
    }
    factoryButton_ = new QPushButton(CalibrationText::FactoryDefault(), this);
    connect(factoryButton_, &QPushButton::clicked, this, &CalibrationPage::OnFactoryDefault);
    lastSent_ = new QLabel(this);
    lastSent_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    PlaceControls();

    FilterClosingKeys();
}

QSize CalibrationPage::sizeHint() const
{
    return ToPixels(QRect(QPoint(0, 0), kPageSize)).size();
}

void CalibrationPage::OnReferenceChanged(QLineEdit* edit)
{
    const ReferenceCheck check = CheckReferenceText(edit->text());
    if (check.message.isEmpty())
        return;
    // Setting the text is itself a change: the corrected text is checked (and may be
    // corrected) before this message shows.
    edit->setText(check.text);
    prompter_.Notify(this, check.message);
}

void CalibrationPage::OnCalibrate(CalibrationChannel channel)
{
    ReferencePowers::Texts texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = rows_[i].edit->text();
    const ReferencePowers::Result result = references_.Calibrate(channel, texts);
    if (result.outcome == ReferencePowers::Outcome::NotConnected) {
        prompter_.Notify(this, CalibrationText::NoConnection());
    } else if (result.outcome == ReferencePowers::Outcome::Sent) {
        lastSent_->setText(CalibrationText::Calibrated(
            Now(), CalibrationChannelName(channel),
            QString::number(static_cast<double>(references_.Value(channel)), 'f', 2)));
    } else if (result.outcome == ReferencePowers::Outcome::NotANumber) {
        QLineEdit* edit = Edit(result.field);
        prompter_.Show(this, applicationName, CalibrationText::EnterANumber(), Prompter::Ok,
                       Prompter::Icon::Warning);
        edit->setFocus();
        edit->selectAll();
    }
}

void CalibrationPage::OnFactoryDefault()
{
    const auto confirmed = [this] {
        return prompter_.ConfirmDestructive(this, CalibrationText::FactoryDefaultQuestion(),
                                            Prompter::Icon::Warning);
    };
    const ReferencePowers::Outcome outcome = references_.FactoryDefault(confirmed);
    if (outcome == ReferencePowers::Outcome::NotConnected)
        prompter_.Notify(this, CalibrationText::NoConnection());
    else if (outcome == ReferencePowers::Outcome::Sent)
        lastSent_->setText(CalibrationText::FactoryRestored(Now()));
}

void CalibrationPage::PlaceControls()
{
    for (const RowLayout& layout : kRows) {
        const Row& row = rows_[Index(layout.channel)];
        row.channel->setGeometry(ToPixels(layout.labelRect));
        row.prompt->setGeometry(ToPixels(layout.promptRect));
        row.edit->setGeometry(ToPixels(layout.editRect));
        row.unit->setGeometry(
            ToPixels({kUnitX, layout.labelRect.y(), kUnitWidth, layout.labelRect.height()}));
        row.button->setGeometry(ToPixels(layout.buttonRect));
    }
    factoryButton_->setGeometry(ToPixels(kFactoryRect));
    lastSent_->setGeometry(ToPixels(kLastSentRect));
}

QRect CalibrationPage::ToPixels(const QRect& dialogUnits) const
{
    // A dialog unit is a quarter of the font's average character width across and an eighth
    // of its height down, rounded to the nearest pixel.
    const QFontMetrics metrics = fontMetrics();
    const auto across = [w = metrics.averageCharWidth()](int units) {
        return (units * w + 2) / 4;
    };
    const auto down = [h = metrics.height()](int units) {
        return (units * h + 4) / 8;
    };
    return {across(dialogUnits.x()), down(dialogUnits.y()), across(dialogUnits.width()),
            down(dialogUnits.height())};
}

void CalibrationPage::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        PlaceControls();
    TabPage::changeEvent(e);
}
