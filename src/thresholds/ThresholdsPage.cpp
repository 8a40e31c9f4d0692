#include "thresholds/ThresholdsPage.h"

#include "common/FileDialogs.h"
#include "common/NumberText.h"
#include "common/Prompter.h"
#include "link/DeviceLink.h"
#include "thresholds/ThresholdCells.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdPreset.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableWidget>

namespace {

constexpr int kHeaderWidth = 900;
constexpr int kRowHeight = 30;
constexpr int kRowTop[ThresholdTable::kGroups] = {65, 97, 129};

// Widths of the upper strip: the blank over the group numbers, then the four channels in
// the order of the limits.
constexpr int kUpperWidths[] = {161, 180, 180, 180, 190};

// The left edge and width of a cell of a row, in pixels.
std::pair<int, int> CellSpan(int column)
{
    if (column == ThresholdsPage::kNumberColumn)
        return {1, 165};
    const int limit = column - ThresholdsPage::kFirstLimitColumn;
    return {165 + 60 * limit, limit == ThresholdGroup::kLimits - 1 ? 73 : 60};
}

// The name cells keep their places far below the grid, given in dialog units of the
// page's 8-point dialog font (4 horizontal units are 6 pixels, 8 vertical units 13).
QRect FromDialogUnits(int x, int y, int width, int height)
{
    const auto px = [](int units, int pixels, int per) {
        return (units * pixels + per / 2) / per;
    };
    return {px(x, 6, 4), px(y, 13, 8), px(width, 6, 4), px(height, 13, 8)};
}
constexpr int kNameCellX[ThresholdTable::kGroups] = {6, 45, 86};

// "group2Number", "group2Name", "group2 OLT:1490nm Pass".
QString CellName(int group, int column)
{
    if (column == ThresholdsPage::kNumberColumn)
        return QStringLiteral("group%1Number").arg(group);
    if (column == ThresholdsPage::kNameColumn)
        return QStringLiteral("group%1Name").arg(group);
    const int limit = column - ThresholdsPage::kFirstLimitColumn;
    return QStringLiteral("group%1 %2 %3").arg(group).arg(ChannelName(limit), LimitName(limit));
}

QTableWidget* NewHeaderStrip(QWidget* parent, const QStringList& captions, const QList<int>& widths)
{
    auto* strip = new QTableWidget(0, static_cast<int>(captions.size()), parent);
    strip->setHorizontalHeaderLabels(captions);
    strip->verticalHeader()->hide();
    strip->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    strip->horizontalHeader()->setSectionsClickable(false);
    strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int c = 0; c < widths.size(); ++c)
        strip->setColumnWidth(c, widths[c]);
    return strip;
}

} // namespace

ThresholdsPage::ThresholdsPage(DeviceLink& link, Prompter& prompter, QWidget* parent)
    : TabPage(parent), link_(link), prompter_(prompter)
{
    BuildHeaders();
    BuildGrid();

    FilterClosingKeys();
}

void ThresholdsPage::BuildHeaders()
{
    QStringList upperCaptions;
    QList<int> upperWidths;
    for (const int width : kUpperWidths) {
        const int channel = static_cast<int>(upperWidths.size()) - 1;
        upperCaptions << (channel < 0 ? QString() : ChannelName(channel * 3));
        upperWidths << width;
    }
    upperHeader_ = NewHeaderStrip(this, upperCaptions, upperWidths);
    upperHeader_->setShowGrid(false);

    QStringList lowerCaptions{tr("Threshold Name")};
    QList<int> lowerWidths{161};
    for (int channel = 0; channel < 4; ++channel) {
        lowerCaptions << LimitLabel(0) << LimitLabel(1) << LimitLabel(2);
        lowerWidths << 60 << 60 << (channel == 3 ? 70 : 60);
    }
    lowerHeader_ = NewHeaderStrip(this, lowerCaptions, lowerWidths);
    lowerHeader_->setShowGrid(true);
    lowerHeader_->setSelectionBehavior(QAbstractItemView::SelectRows);

    upperHeader_->setGeometry(0, 15, kHeaderWidth, kRowHeight);
    lowerHeader_->setGeometry(0, 36, kHeaderWidth, kRowHeight);
}

void ThresholdsPage::BuildGrid()
{
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        for (int column = 0; column < kColumns; ++column) {
            auto* cell = new QLineEdit(this);
            cell->setObjectName(CellName(g, column));
            cells_[g - 1][column] = cell;
            if (column == kNameColumn) {
                cell->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), cell));
                cell->setGeometry(FromDialogUnits(kNameCellX[g - 1], 266, 34, 14));
                // Never editable; only the last group's name stays in sight.
                cell->setEnabled(false);
                cell->setVisible(g == ThresholdTable::kGroups);
                continue;
            }
            cell->setAlignment(Qt::AlignCenter);
            const auto [x, width] = CellSpan(column);
            cell->setGeometry(x, kRowTop[g - 1], width, kRowHeight);
            if (column == kNumberColumn) {
                cell->setReadOnly(true);
                cell->setText(QString::number(g));
                continue;
            }
            const int channel = (column - kFirstLimitColumn) / 3;
            connect(cell, &QLineEdit::textChanged, this, [this, cell, g, channel] {
                OnCellChanged(cell);
                MarkLimitOrder(g, channel);
            });
        }
    }

    // Header strips, the rows' number and limit cells of 1310 to 1577 nm, then the 1270 nm
    // cells of all rows, then the name cells.
    QList<QWidget*> order{upperHeader_, lowerHeader_};
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        for (int column = kNumberColumn; column < kFirstLimitColumn + 9; ++column)
            order << Cell(g, column);
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        for (int column = kFirstLimitColumn + 9; column < kNameColumn; ++column)
            order << Cell(g, column);
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        order << Cell(g, kNameColumn);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLineEdit* ThresholdsPage::Cell(int group, int column) const
{
    return cells_[group - 1][column];
}

void ThresholdsPage::SetCellText(QLineEdit* cell, const QString& text)
{
    if (cell->text() != text)
        cell->setText(text);
}

void ThresholdsPage::OnCellChanged(QLineEdit* cell)
{
    // Runs for the page's own writes too, a correction made here included.
    const CellCheck check = CheckCell(cell->text());
    SetCellText(cell, check.text);
    if (!check.message.isEmpty())
        prompter_.Notify(this, check.message);
}

void ThresholdsPage::MarkLimitOrder(int group, int channel)
{
    std::array<double, 3> limits{};
    bool complete = true;
    for (int l = 0; l < 3; ++l)
        complete = IsCompleteNumber(Cell(group, kFirstLimitColumn + channel * 3 + l)->text(),
                                    &limits[static_cast<size_t>(l)]) &&
                   complete;
    // A cell being typed in marks nothing. The upload stays possible: the mark only shows
    // what the meter would be given.
    const QString problem =
        complete ? LimitOrderProblem(static_cast<float>(limits[0]), static_cast<float>(limits[1]),
                                     static_cast<float>(limits[2]))
                 : QString();
    for (int l = 0; l < 3; ++l) {
        QLineEdit* cell = Cell(group, kFirstLimitColumn + channel * 3 + l);
        cell->setToolTip(problem.isEmpty() ? QString()
                                           : tr("The limits are out of order: %1").arg(problem));
        cell->setStyleSheet(
            problem.isEmpty() ? QString() : QStringLiteral("QLineEdit { background: #ffd8a8; }"));
    }
}

std::optional<ThresholdGroup> ThresholdsPage::CellLimits(int group) const
{
    ThresholdGroup limits;
    limits.number = static_cast<quint8>(group);
    for (int i = 0; i < ThresholdGroup::kLimits; ++i) {
        double value = 0.0;
        if (!IsCompleteNumber(Cell(group, kFirstLimitColumn + i)->text(), &value))
            return std::nullopt;
        limits.limits[static_cast<size_t>(i)] = static_cast<float>(value);
    }
    return limits;
}

void ThresholdsPage::ApplyPreset(const ThresholdPreset& preset, int group,
                                 std::optional<float> margin)
{
    const ThresholdGroup applied = AppliedPreset(ThresholdGroup{}, preset, margin);
    for (const PresetChannel& c : preset.channels)
        for (int l = 0; l < 3; ++l) {
            const int i = c.channel * 3 + l;
            Cell(group, kFirstLimitColumn + i)
                ->setText(LimitCellText(applied.limits[static_cast<size_t>(i)]));
        }
}

void ThresholdsPage::OnThresholdPart(int part, const QByteArray& copy)
{
    const std::optional<ThresholdAnswer> answer = DecodeThresholdAnswer(part, copy);
    if (!answer)
        return;
    const int g = answer->group;
    const ThresholdPart layout = PartLayout(part);
    StoreThresholdAnswer(table_, part, *answer);
    if (part == 1)
        Cell(g, kNumberColumn)->setText(QString::number(g));
    if (layout.hasName)
        Cell(g, kNameColumn)->setText(answer->name);
    for (int i = layout.first; i < layout.first + layout.count; ++i)
        Cell(g, kFirstLimitColumn + i)->setText(LimitText(table_.Group(g).limits[i]));
    Q_EMIT ThresholdsChanged(table_);
}

bool ThresholdsPage::IsGroupComplete(int group)
{
    // Stops at the first incomplete cell: the cells after it are neither tested nor cleared.
    for (int column = kNumberColumn; column < kNameColumn; ++column) {
        QLineEdit* cell = Cell(group, column);
        const CellCompleteness result = IsCellComplete(cell->text());
        SetCellText(cell, result.text);
        if (!result.complete)
            return false;
    }
    return true;
}

void ThresholdsPage::OnUploadStart()
{
    if (!prompter_.Confirm(this, ThresholdText::ResetQuestion()))
        return;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (!IsGroupComplete(g)) {
            prompter_.Notify(this, ThresholdText::IncompleteGroup(g));
            return;
        }
    }
    OnUploadPart(1, 1);
}

void ThresholdsPage::OnUploadPart(int part, int group)
{
    if (!ThresholdTable::IsGroupNumber(group))
        return;
    const ThresholdPart layout = PartLayout(part);
    QStringList texts;
    for (int i = layout.first; i < layout.first + layout.count; ++i)
        texts << Cell(group, kFirstLimitColumn + i)->text();
    SendUploadPart(link_, table_, part, group, texts);
    Q_EMIT ThresholdsChanged(table_);
}

void ThresholdsPage::SaveToFile(FileDialogs& dialogs)
{
    ThresholdFile file;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        for (int i = 0; i < ThresholdGroup::kLimits; ++i) {
            double value = 0.0;
            if (!IsCompleteNumber(Cell(g, kFirstLimitColumn + i)->text(), &value)) {
                // The cell's place as the grid names it.
                const QString place =
                    tr("group %1, %2, %3").arg(g).arg(ChannelName(i), LimitLabel(i));
                prompter_.Notify(this,
                                 tr("%1: the cell holds no number; nothing was saved.").arg(place),
                                 Prompter::Icon::Warning);
                return;
            }
            file.table.Group(g).limits[static_cast<size_t>(i)] = static_cast<float>(value);
        }
        file.names[static_cast<size_t>(g - 1)] = Cell(g, kNameColumn)->text();
    }
    const QString path = dialogs.SaveFileName(this, thresholdFileFilter(), QString());
    if (path.isEmpty())
        return;
    QString error;
    if (WriteThresholdFile(path, file, &error))
        prompter_.Notify(this, tr("The thresholds have been saved to %1").arg(path),
                         Prompter::Icon::Information);
    else
        prompter_.Notify(this, tr("The thresholds could not be saved.\r\n%1").arg(error),
                         Prompter::Icon::Warning);
}

void ThresholdsPage::LoadFromFile(FileDialogs& dialogs)
{
    const QString path = dialogs.OpenFileName(this, thresholdFileFilter());
    if (path.isEmpty())
        return;
    QString error;
    const std::optional<ThresholdFile> file = ReadThresholdFile(path, &error);
    if (!file) {
        prompter_.Notify(
            this,
            tr("The file cannot be loaded; the grid has been left as it was.\r\n%1").arg(error),
            Prompter::Icon::Warning);
        return;
    }
    // Like typing: the cells change, the table keeps what the meter last sent or was sent.
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        for (int i = 0; i < ThresholdGroup::kLimits; ++i)
            Cell(g, kFirstLimitColumn + i)
                ->setText(LimitCellText(file->table.Group(g).limits[static_cast<size_t>(i)]));
        Cell(g, kNameColumn)->setText(file->names[static_cast<size_t>(g - 1)]);
    }
    // The loaded groups are the limits to judge records by, as downloaded ones would be.
    ThresholdTable loaded = file->table;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        loaded.MarkKnown(g);
    Q_EMIT ThresholdsChanged(loaded);
}

void ThresholdsPage::OnMeterMessage(const MeterMessage& message)
{
    switch (message.kind) {
    case MeterMessage::Kind::ThresholdPart1:
        OnThresholdPart(1, message.copy);
        break;
    case MeterMessage::Kind::ThresholdPart2:
        OnThresholdPart(2, message.copy);
        break;
    case MeterMessage::Kind::ThresholdPart3:
        OnThresholdPart(3, message.copy);
        break;
    case MeterMessage::Kind::UploadStart:
        OnUploadStart();
        break;
    case MeterMessage::Kind::UploadNextGroup:
        OnUploadPart(1, message.param);
        break;
    case MeterMessage::Kind::UploadPart2:
        OnUploadPart(2, message.param);
        break;
    case MeterMessage::Kind::UploadPart3:
        OnUploadPart(3, message.param);
        break;
    default:
        // Answers meant for the other pages are dropped here.
        break;
    }
}
