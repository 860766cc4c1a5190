// SPDX-License-Identifier: GPL-3.0-or-later
// The link window's jobs: each button's exchange on the worker, and what the window shows and
// puts into the editor when it has ended.
#include "Unit1.h"

#include "check/data_check.h"
#include "check/gates.h"
#include "gui/differences_window.h"
#include "gui/editor_host.h"
#include "gui/link_outcome.h"
#include "gui/link_worker.h"
#include "station_link/exchange_log.h"
#include "station_link/line_doctor.h"
#include "station_link/link_port.h"
#include "station_link/read_data_check.h"
#include "station_link/read_into_editor.h"
#include "station_link/safeguards.h"
#include "station_link/type_guard.h"
#include "table/bands.h"
#include "journal/exchange_entries.h"
#include "journal/journal.h"
#include "settings_file/settings_file.h"
#include "common/errors.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <utility>

using namespace tolvin;

void TForm1::runExchange(Exchange exchange, std::function<void(const ExchangeResult &)> after) {
    auto result = std::make_shared<ExchangeResult>();
    runJob([exchange = std::move(exchange), result](SerialPort &port, const QString &device, LinkObserver &obs,
                                                    StopFlag stop) { *result = exchange(port, device, obs, stop); },
           [after = std::move(after), result] {
               if (after)
                   after(*result);
           });
}

void TForm1::runJob(Job job, std::function<void()> after) {
    if (m_worker->running())
        return;
    m_after = std::move(after);
    const QString device = selectedDevice();
    // Everything that would start another job or change its port goes off now, not when the
    // worker's first signal arrives: a click in between would run a second job's checks, and a
    // port picked during a write would be the next job's.
    setJobControls(false);
    // A new job starts from nothing: the last one's outcome would read as this one's.
    m_progress = m_nextPlan.value_or(JobProgress{});
    m_nextPlan.reset();
    m_stopping = false;
    ResultText->clear();
    ResultText->setToolTip(QString());
    SafeguardText->clear();
    SafeguardText->setToolTip(QString());
    Gauge1->setValue(0);
    m_jobClock.start();
    std::shared_ptr<ExchangeLog> log = m_host.exchangeLog();
    PortFactory ports = devicePorts();
    m_worker->start([job = std::move(job), device, log, ports](LinkObserver &obs, const std::atomic<bool> &stop) {
        // Every byte goes into the exchange log ("Станция" / "Журнал обмена"); the device's port
        // gives up a send held up by a stalled adapter at "Прервать".
        const std::unique_ptr<SerialPort> port = loggedPort(ports(device, &stop), log);
        job(*port, device, obs, &stop);
    });
    StopButton->setEnabled(true);
    m_ticker->start();
    showPhase();
}

namespace {

// A job's entries go into the journal on the worker, as the exchange ends: an exchange cut short
// by closing the program is journaled too, though the window's own end of the job never runs.
class JobJournal {
public:
    explicit JobJournal(Journal *journal) : m_journal(journal) { m_clock.start(); }
    ExchangeContext at(const QString &device) const { return {device, std::chrono::milliseconds(m_clock.elapsed())}; }
    void record(const std::function<std::vector<JournalEntry>()> &make) const {
        if (m_journal)
            m_journal->recordMade(make);
    }

private:
    Journal *m_journal;
    QElapsedTimer m_clock;
};

} // namespace

std::chrono::milliseconds TForm1::jobTime() const {
    return std::chrono::milliseconds(m_jobClock.isValid() ? m_jobClock.elapsed() : 0);
}

void TForm1::showPhase() {
    if (!m_worker->running()) {
        PhaseText->clear();
        return;
    }
    const std::chrono::milliseconds elapsed = jobTime();
    QString title = m_stopping ? QStringLiteral("Прерывание обмена") : QString();
    if (title.isEmpty())
        if (const std::optional<JobPhase> phase = m_progress.phase())
            title = phaseTitle(*phase);
    QString times = QStringLiteral("прошло %1").arg(minutesText(elapsed));
    if (const auto left = m_progress.remaining(elapsed); left && !m_stopping)
        times += QStringLiteral(", осталось %1").arg(minutesText(*left));
    PhaseText->setText(title + QLatin1Char('\n') + times);
}

void TForm1::showOutcome(const LinkOutcome &outcome) {
    ResultText->setText(outcome.text);
    ResultText->setToolTip(outcome.text);
    QPalette p = ResultText->palette();
    p.setColor(QPalette::WindowText, outcomeColor(outcome.ok));
    ResultText->setPalette(p);
    // A gauge left full or half-way after a failure would say more than happened.
    Gauge1->setValue(outcome.ok ? 100 : 0);
}

void TForm1::StopClick() {
    if (!m_worker->running() || m_stopping)
        return;
    m_stopping = true;
    m_worker->requestStop();
    StopButton->setEnabled(false);
    showPhase();
}

// Failures the technician must read; quiet stops stay quiet, as the window always had them,
// and so does a stop the technician asked for: the outcome line says it.
static void report(EditorHost &main, const ExchangeResult &r) {
    if (r.outcome == ExchangeOutcome::Failed)
        main.op().message(r.message);
}

// A write stopped part-way names the backup that puts the station back as it was.
static QString stopNote(const SafeWriteResult &r) {
    const QString hint = r.restoreHint();
    return hint.isEmpty() ? r.message : r.message + QLatin1Char('\n') + hint;
}

// The most lines of differences a message box shows; a longer list gets its own window.
constexpr int DifferencesInABox = 30;

void TForm1::showDifferences(const QString &heading, const QStringList &lines, const QString &serial) {
    if (lines.size() <= DifferencesInABox) {
        m_host.op().message((QStringList{heading} + lines).join(QLatin1Char('\n')));
        return;
    }
    if (!m_differences)
        m_differences = new DifferencesWindow(m_host.op(), this);
    m_differences->showList(heading, lines,
                            serial.isEmpty() ? QStringLiteral("отличия.txt") : QStringLiteral("отличия_%1.txt").arg(serial));
    m_differences->show();
    m_differences->raise();
    m_differences->activateWindow();
}

void TForm1::BitBtn2Click() {
    m_host.act([&] {
        if (!passGate(m_host.editor().state, tolvin::Gate::LinkWrite, m_host.op()))
            return;
        // The station gets what the window shows: an edit, a paste or a read since the last check
        // is checked again, and a table that no longer passes is not written.
        if (!recheckBeforeWrite(m_host.editor(), m_host.op()))
            return;
        const EditorState &s = m_host.editor().state;
        const StreamImage image{s.image, s.ModuleType, s.StationType};
        WriteSafeguards safeguards;
        safeguards.backup = BackupBox->isChecked();
        safeguards.backupFolder = m_backupFolder;
        safeguards.verify = VerifyBox->isChecked();
        // The journal keeps the file "Запись в файл" would save; a table it cannot save is
        // still written, and journaled without one.
        m_writtenFile.clear();
        (void)catchFailure([&] { m_writtenFile = settingsFileBytes(m_host.editor()); });
        startWrite(image, safeguards, SafeWriteResult{});
    });
}

void TForm1::startWrite(const StreamImage &image, const WriteSafeguards &safeguards, const SafeWriteResult &earlier) {
    auto result = std::make_shared<SafeWriteResult>();
    planJob(JobProgress::forWrite(image, safeguards));
    runJob([image, safeguards, result, file = m_writtenFile, journal = m_host.journal()](
               SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
               const JobJournal entries(journal);
               *result = writeWithSafeguards(port, device, obs, image, safeguards, stop);
               entries.record([&] { return safeWriteEntries(*result, file, entries.at(device)); });
           },
           [this, result, image, safeguards, earlier] {
               SafeWriteResult &r = *result;
               if (r.backupPath.isEmpty()) {
                   r.backupPath = earlier.backupPath;
                   r.backupWarning = earlier.backupWarning;
                   r.backupAdvice = earlier.backupAdvice;
                   r.backupTypeNote = earlier.backupTypeNote;
               }
               if (r.typeMismatch) {
                   // Nothing was sent; only an explicit yes writes a station of another band.
                   // The line says the refusal once the question is answered no.
                   if (m_host.op().confirm(r.message)) {
                       WriteSafeguards again = safeguards;
                       again.backup = false;
                       again.checkType = false;
                       startWrite(image, again, r);
                       return;
                   }
               }
               showOutcome(writeOutcome(r, jobTime()));
               QStringList done;
               if (!r.backupPath.isEmpty()) {
                   QStringList notes;
                   if (!r.backupTypeNote.isEmpty())
                       notes << r.backupTypeNote;
                   if (!r.backupWarning.isEmpty())
                       notes << QStringLiteral("не проходит «Контроль»");
                   done << QStringLiteral("копия %1").arg(QFileInfo(r.backupPath).fileName()) +
                               (notes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; "))));
               }
               if (r.ok() && safeguards.verify && r.stage == WriteStage::Verify)
                   done << QStringLiteral("проверено");
               SafeguardText->setText(done.join(QStringLiteral("; ")));
               SafeguardText->setToolTip(r.backupLine());
               if (r.typeMismatch)
                   return;
               // A station that never took the write gets a message too: the idle status
               // alone would look like a finished write.
               if (!r.differences.isEmpty())
                   showDifferences(r.message, r.differences, r.serial);
               else if (!r.ok() && !r.message.isEmpty())
                   m_host.op().message(stopNote(r));
               else if (!r.backupWarning.isEmpty() || !r.backupTypeNote.isEmpty())
                   m_host.op().message(r.backupLine());
               if (const QString advice = delayedRepliesAdvice(r.writePace); !advice.isEmpty() && !m_delayToldOnce) {
                   m_delayToldOnce = true;
                   m_host.op().message(advice);
               }
           });
}

void TForm1::CompareClick() {
    m_host.act([&] {
        const Editor &ed = m_host.editor();
        // The image a check would build now, without the check's flag, file and message.
        const DataCheckResult checked = checkData(ed);
        if (!checked.passed) {
            m_host.op().message(QStringLiteral("Сравнение со станцией невозможно: ") + checked.message);
            return;
        }
        const StreamImage configured{checked.image, checked.ModuleType, ed.state.StationType};
        const BandSettings band = ed.state.bandSettings;
        auto result = std::make_shared<ComparisonResult>();
        runJob([configured, band, result, journal = m_host.journal()](SerialPort &port, const QString &device,
                                                                      LinkObserver &obs, StopFlag stop) {
                   const JobJournal entries(journal);
                   *result = compareWithStation(port, device, obs, configured, band, stop);
                   entries.record([&] { return std::vector<JournalEntry>{diffEntry(*result, entries.at(device))}; });
               },
               [this, result] {
                   const ComparisonResult &r = *result;
                   showOutcome(compareOutcome(r, jobTime()));
                   if (!r.ok())
                       report(m_host, r.exchange);
                   else if (r.differences.isEmpty())
                       m_host.op().message(QStringLiteral("Станция %1 совпадает с конфигурацией").arg(r.serial));
                   else
                       showDifferences((r.dataWarning.isEmpty() ? QString() : r.dataWarning + QLatin1Char('\n')) +
                                           QStringLiteral("Станция %1 отличается от конфигурации (различий: %2):")
                                               .arg(r.serial)
                                               .arg(r.differences.size()),
                                       r.differences, r.serial);
               });
    });
}

void TForm1::LineCheckClick() {
    auto report = std::make_shared<DoctorReport>();
    // The adapter is looked up where the port list looks.
    DoctorSystem system;
    system.devRoot = m_devRoot;
    system.sysRoot = m_sysRoot;
    runJob([report, system, journal = m_host.journal()](SerialPort &port, const QString &device, LinkObserver &obs,
                                                        StopFlag stop) {
               const JobJournal entries(journal);
               *report = diagnoseLine(port, device, obs, DoctorOptions{}, system, stop);
               entries.record([&] { return std::vector<JournalEntry>{doctorEntry(*report, entries.at(device))}; });
           },
           [this, report] {
               showOutcome(LinkOutcome{report->verdict, report->healthy});
               // A stop is the technician's own; the outcome line says it.
               if (!report->stopped)
                   showDifferences(report->verdict, report->lines(), QString());
           });
}

void TForm1::BitBtn3Click() {
    ReadFromStation();
}

void TForm1::ReadFromStation() {
    // The table fills as the stream arrives; a read that does not end puts everything back as
    // it was, since half a station is no configuration.
    if (!m_host.mayDiscardWork())
        return;
    auto before = std::make_shared<Editor>();
    m_host.act([&] { *before = m_host.editor(); });
    runExchange([journal = m_host.journal()](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                    const JobJournal entries(journal);
                    ExchangeResult r = readFromStation(port, device, obs, stop);
                    entries.record([&] { return std::vector<JournalEntry>{readEntry(r, entries.at(device))}; });
                    return r;
                },
                [this, before](const ExchangeResult &r) {
                    showOutcome(readOutcome(r, jobTime()));
                    if (!r.ok()) {
                        m_host.replaceEditor(*before);
                        // A stop is the technician's own; the outcome line says the table is
                        // unchanged. A failure is told in full.
                        if (r.outcome == ExchangeOutcome::Failed)
                            m_host.op().message(r.message + QStringLiteral("\nТаблица и общие установки не изменены"));
                        return;
                    }
                    m_host.recordUndo(QStringLiteral("Чтение из станции"));
                    // What the station holds is nothing to lose.
                    m_host.markUnchanged(QString());
                    // The table shows what came, noise or not; the technician must know which,
                    // and what it holds that is advised against.
                    const ReadDataFindings found = readDataFindings(r.stream);
                    if (!found.clean())
                        m_host.op().message(found.text());
                });
}

void TForm1::BitBtn5Click() {
    QueryStationType();
}

void TForm1::QueryStationType() {
    // The answer selects a band, which puts the table away.
    if (!m_host.mayDiscardWork())
        return;
    runExchange([journal = m_host.journal()](SerialPort &port, const QString &device, LinkObserver &obs, StopFlag stop) {
                    const JobJournal entries(journal);
                    ExchangeResult r = queryStationType(port, device, obs, stop);
                    entries.record([&] { return std::vector<JournalEntry>{typeEntry(r, entries.at(device))}; });
                    return r;
                },
                [this](const ExchangeResult &r) {
                    showOutcome(typeQueryOutcome(r));
                    if (r.outcome == ExchangeOutcome::Done) {
                        m_host.act([&] {
                            // The band already shown changes nothing the technician would see.
                            const bool sameBand = bandForStationType(r.typeCode) != 0 &&
                                                  bandForStationType(r.typeCode) ==
                                                      bandForStationType(m_host.editor().state.StationType);
                            if (!selectBandByStationType(m_host.editor(), r.typeCode))
                                m_host.op().message(QStringLiteral("Тип станции определить не удалось"));
                            else if (sameBand)
                                m_host.op().message(QStringLiteral("Станция %1: этот тип уже выбран")
                                                        .arg(stationModelText(r.typeCode)));
                        }, QStringLiteral("Чтение типа р/с"));
                    } else {
                        report(m_host, r);
                    }
                    // Whatever the answer, the query ends back in the main window.
                    returnToHost(m_host, this);
                });
}

