#include "forms/CShiftForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DocumentSession.h"
#include "forms/PowerSwitch.h"
#include "frame/CChildFrame.h"
#include "model/ShiftVocabulary.h"
#include "ui/DurationEdit.h"
#include "ui/TwoColumnComboBox.h"

namespace orvo {

namespace {

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

const char* const kNotice =
    "NOTICE  -  Knowingly making any false statement, representation, or certification on "
    "this document is a violation of the federal criminal code which may be punished by a "
    "fine or by imprisonment or both.";

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// Read-only texts the form keeps up to date (the clock, the minutes).
QLabel* ShownField(QWidget* parent, const char* name, const QString& widest) {
    auto* field = new QLabel(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setIndent(4);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(widest) + 2 * field->frameWidth() + 12);
    return field;
}

// Powers the monitor off once its state is known, after the form that wanted it has gone.
// Lives with the window; gives up with it.
class PowerOffWatcher final : public QObject, public IDocView {
public:
    PowerOffWatcher(COrvodeskDoc& doc, QObject* parent)
        : QObject(parent), m_doc(doc), m_pending(doc, doc.Link()) {
        m_doc.AddView(this);
    }
    ~PowerOffWatcher() override { m_doc.RemoveView(this); }

    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        m_pending.OnDocUpdate(flags, value);
        if (m_pending.Done()) {
            m_doc.RemoveView(this);
            deleteLater();
        }
    }

private:
    COrvodeskDoc& m_doc;
    PendingPowerOff m_pending;
};

} // namespace

CShiftForm::CShiftForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_logic(context.session.Doc(), context.session.Doc().Link(), *this,
                                          context.services.messages, context.services.clock),
      m_clock(new QTimer(this)) {
    setObjectName(QStringLiteral("shiftForm"));

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    columns->addWidget(BuildIdentification(), 1);
    columns->addSpacing(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 2);
    columns->addWidget(BuildSchedule(), 1);
    layout->addLayout(columns);
    // A taller window gives the room to the columns; the notice and the buttons stay below.
    layout->addStretch(1);

    auto* notice = new QLabel(QString::fromLatin1(kNotice), this);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setWordWrap(true);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(notice);

    auto* buttons = new QHBoxLayout;
    m_clear = new QPushButton(QStringLiteral("Clear Fields"), this);
    m_clear->setObjectName(QStringLiteral("clearFields"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {m_clear, m_ok, m_cancel})
        button->setAutoDefault(false);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, [this] { m_logic.Ok(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic.Cancel(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_logic.ClearFields(); });

    // Screen order: the identification column, the schedule column, then the buttons.
    QWidget* order[] = {m_wearerId, m_mineId,     m_contractorCode, m_mineName,     m_companyName,
                        m_mmu,      m_occupation, m_days[0],        m_days[1],      m_days[2],
                        m_days[3],  m_days[4],    m_days[5],        m_days[6],      m_start,
                        m_duration, m_sampleType, m_temperature,    m_dustStandard, m_miin,
                        m_ok,       m_cancel,     m_clear};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, [this] { m_logic.OnTimerTick(); });
    context.frame.installEventFilter(this);
}

CShiftForm::~CShiftForm() {
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

QWidget* CShiftForm::BuildIdentification() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    auto addRow = [&](const char* label, QWidget* field) {
        auto* text = new QLabel(QString::fromLatin1(label), box);
        text->setBuddy(field);
        grid->addWidget(text, row, 0);
        grid->addWidget(field, row++, 1);
    };
    addRow("&Wearer ID", m_wearerId = TextField(ShiftField::WearerId, "wearerId", box));
    addRow("Mine &ID Number", m_mineId = TextField(ShiftField::MineId, "mineId", box));
    addRow("Contractor Co&de",
           m_contractorCode = TextField(ShiftField::ContractorCode, "contractorCode", box));
    addRow("Mine &Name", m_mineName = TextField(ShiftField::MineName, "mineName", box));
    addRow("Compan&y Name", m_companyName = TextField(ShiftField::CompanyName, "companyName", box));
    addRow("MMU DA/S&A", m_mmu = TextField(ShiftField::Mmu, "mmu", box));

    m_occupation = new TwoColumnComboBox(box);
    m_occupation->setObjectName(QStringLiteral("occupation"));
    for (const OccupationEntry& entry : OccupationEntries())
        m_occupation->AddRow(QStringLiteral("%1").arg(entry.code, 3, 10, QLatin1Char('0')),
                             QString::fromLatin1(entry.name));
    connect(m_occupation, &QComboBox::activated, this,
            [this](int picked) { m_logic.SelectOccupation(picked); });
    addRow("&Occ Code", m_occupation);

    auto* autoShift = new QGroupBox(QStringLiteral("Auto Shift Setup"), box);
    autoShift->setObjectName(QStringLiteral("autoShift"));
    auto* days = new QGridLayout(autoShift);
    for (int day = 0; day < 7; ++day) {
        auto* check = new QCheckBox(QString::fromLatin1(kDayNames[day]), autoShift);
        check->setObjectName(QString::fromLatin1(kDayNames[day]).toLower());
        connect(check, &QCheckBox::clicked, this, [this, day](bool on) { m_logic.SetDay(day, on); });
        days->addWidget(check, day / 4, day % 4);
        m_days[size_t(day)] = check;
    }
    grid->addWidget(autoShift, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* CShiftForm::BuildSchedule() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    auto addRow = [&](const char* label, QWidget* field, QWidget* unit = nullptr) {
        auto* text = new QLabel(QString::fromLatin1(label), box);
        text->setBuddy(field);
        grid->addWidget(text, row, 0);
        grid->addWidget(field, row, 1, 1, unit ? 1 : 2);
        if (unit)
            grid->addWidget(unit, row, 2);
        ++row;
    };
    const QString widestTime = QStringLiteral("   12/  28/2099, 23:59:59");
    m_currentTime = ShownField(box, "currentTime", widestTime);
    addRow("Current Time", m_currentTime);
    m_warmupStart = ShownField(box, "warmupStartTime", widestTime);
    addRow("Warm-up Start Time", m_warmupStart);

    m_start = new QDateTimeEdit(box);
    m_start->setObjectName(QStringLiteral("sampleStart"));
    m_start->setDisplayFormat(QStringLiteral("M/d,    HH:mm"));
    m_start->setCalendarPopup(true);
    connect(m_start, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& picked) {
        const QDate d = picked.date();
        const QTime t = picked.time();
        m_logic.PickStart({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
    });
    addRow("Sample &Start Time", m_start);

    m_duration = new DurationEdit(box);
    m_duration->setObjectName(QStringLiteral("duration"));
    connect(m_duration, &DurationEdit::SecondsChanged, this,
            [this](uint32_t seconds) { m_logic.SetDuration(seconds); });
    addRow("Sample &Time (hrs:mins)", m_duration);
    m_minutes = ShownField(box, "minutes", QStringLiteral("43200"));
    addRow("Sample Time (minutes)", m_minutes);

    m_sampleType = new QComboBox(box);
    m_sampleType->setObjectName(QStringLiteral("sampleType"));
    for (size_t i = 0; i < kSampleTypeCount; ++i)
        m_sampleType->addItem(QString::fromLatin1(SampleTypeText(i)));
    connect(m_sampleType, &QComboBox::activated, this,
            [this](int position) { m_logic.SelectSampleType(position); });
    addRow("Type of Sam&ple", m_sampleType);

    m_temperature = new QComboBox(box);
    m_temperature->setObjectName(QStringLiteral("temperature"));
    for (const TemperatureRange& range : TemperatureRanges())
        m_temperature->addItem(QString::fromUtf8(range.text));
    connect(m_temperature, &QComboBox::activated, this,
            [this](int picked) { m_logic.SelectTemperature(picked); });
    addRow("Average &Expected Temperature", m_temperature);

    m_dustStandard = TextField(ShiftField::DustStandard, "dustStandard", box);
    addRow("&Respirable Dust Standard", m_dustStandard, new QLabel(QStringLiteral("mg/m\u00B3"), box));
    m_miin = TextField(ShiftField::Miin, "miin", box);
    m_miin->setEnabled(false);
    addRow("Part 90 &Miner Sampled MIIN", m_miin);

    m_mre = new QLabel(box);
    m_mre->setObjectName(QStringLiteral("mreStatus"));
    grid->addWidget(m_mre, row++, 0, 1, 3);
    m_firmware = new QLabel(box);
    m_firmware->setObjectName(QStringLiteral("firmware"));
    grid->addWidget(m_firmware, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

QLineEdit* CShiftForm::TextField(ShiftField field, const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    // A field takes no more than the form reads of it, so nothing typed is dropped unseen.
    const size_t capacity = TextCapacity(field);
    if (capacity != 0)
        edit->setMaxLength(int(capacity));
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& text) { m_logic.EditText(field, text.toStdString()); });
    return edit;
}

QWidget* CShiftForm::Field(ShiftField field) const {
    switch (field) {
    case ShiftField::WearerId:
        return m_wearerId;
    case ShiftField::MineId:
        return m_mineId;
    case ShiftField::ContractorCode:
        return m_contractorCode;
    case ShiftField::MineName:
        return m_mineName;
    case ShiftField::CompanyName:
        return m_companyName;
    case ShiftField::Mmu:
        return m_mmu;
    case ShiftField::DustStandard:
        return m_dustStandard;
    case ShiftField::Miin:
        return m_miin;
    case ShiftField::Occupation:
        return m_occupation;
    case ShiftField::SampleType:
        return m_sampleType;
    case ShiftField::Temperature:
        return m_temperature;
    case ShiftField::StartTime:
        return m_start;
    case ShiftField::Duration:
        return m_duration;
    default:
        return nullptr;
    }
}

void CShiftForm::OnInitialUpdate() {
    m_logic.InitialUpdate();
}

bool CShiftForm::eventFilter(QObject* watched, QEvent* event) {
    // A window closed with the link still open (not the document's own close) leaves this form
    // the way Cancel does; the window stays, showing the main status form.
    if (event->type() == QEvent::Close && watched == &Frame() && Frame().ActiveForm() == this &&
        !m_logic.Left() && Doc().Link().IsOpen()) {
        event->ignore();
        m_logic.OnWindowClosed();
        return true;
    }
    return CFormView::eventFilter(watched, event);
}

void CShiftForm::ShowEntries(const ShiftFormEntries& e) {
    auto setText = [](QLineEdit* edit, const std::string& text) {
        const QString value = FromStd(text);
        if (edit->text() != value)
            edit->setText(value);
    };
    const QSignalBlocker blockers[] = {QSignalBlocker(m_start), QSignalBlocker(m_duration)};
    setText(m_wearerId, e.wearerId);
    setText(m_mineId, e.mineId);
    setText(m_contractorCode, e.contractorCode);
    setText(m_mineName, e.mineName);
    setText(m_companyName, e.companyName);
    setText(m_mmu, e.mmu);
    setText(m_dustStandard, e.dustStandard);
    setText(m_miin, e.miin);
    m_miin->setEnabled(e.miinEnabled);
    m_occupation->setCurrentIndex(e.occupation);
    m_sampleType->setCurrentIndex(e.sampleType);
    m_temperature->setCurrentIndex(e.temperature);
    for (size_t day = 0; day < m_days.size(); ++day)
        m_days[day]->setChecked(e.days[day]);
    m_start->setDateTime(QDateTime(QDate(e.start.year, e.start.month, e.start.day),
                                   QTime(e.start.hour, e.start.minute, e.start.second)));
    m_duration->SetSeconds(e.duration);
}

void CShiftForm::ShowMinutes(const std::string& text) {
    m_minutes->setText(FromStd(text));
}

void CShiftForm::ShowCurrentTime(const std::string& text) {
    m_currentTime->setText(FromStd(text));
}

void CShiftForm::ShowWarmupStart(const std::string& text) {
    m_warmupStart->setText(FromStd(text));
}

void CShiftForm::ShowFirmware(const std::string& text) {
    m_firmware->setText(FromStd(text));
}

void CShiftForm::ShowMreStatus(const std::string& text) {
    m_mre->setText(FromStd(text));
}

void CShiftForm::SetDurationRange(uint32_t maximum, int pageStepMinutes) {
    m_duration->SetMaximumSeconds(maximum);
    m_duration->SetPageStepMinutes(pageStepMinutes);
}

void CShiftForm::FocusField(ShiftField field) {
    QWidget* widget = Field(field);
    if (!widget)
        return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
}

void CShiftForm::StartClock() {
    m_clock->start();
}

void CShiftForm::StopClock() {
    m_clock->stop();
}

void CShiftForm::ShowBusy() {
    if (!m_busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_busy = true;
}

void CShiftForm::ShowMainForm(bool powerOffPending) {
    if (powerOffPending)
        new PowerOffWatcher(Doc(), &Frame());
    ReturnToMainForm();
}

} // namespace orvo
