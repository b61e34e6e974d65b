#include "ui/inicio.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/program_folder.h"
#include "ui/input_blocker.h"
#include "ui/message_text.h"
#include "ui/report_export.h"
#include "ui/run_findings.h"
#include "ui/shell_messages.h"

namespace ui {
namespace {

// The designed client area; the controls of the band keep these places, the right-hand buttons
// follow the right edge and the log takes everything below the band.
constexpr int kDesignWidth = 668;
constexpr int kDesignHeight = 551;
constexpr int kLogTop = 104;
constexpr QRect kLabel3{8, 8, 200, 16};
constexpr QRect kArqRisco{8, 26, 445, 23};
constexpr QRect kSpeedButton4{456, 26, 23, 23};
constexpr QRect kLabel4{8, 55, 200, 16};
constexpr QRect kArqSinistro{8, 73, 445, 23};
constexpr QRect kSpeedButton3{456, 73, 23, 23};
constexpr QRect kProgressBar{488, 8, 17, 88};
constexpr QRect kBtnOk{514, 8, 111, 27};
constexpr QRect kBtnAjuda{630, 8, 27, 27};
constexpr QRect kBtnExporta{514, 39, 143, 27};
constexpr QRect kBtnFechar{514, 70, 143, 27};
constexpr int kMinimumLogHeight = 60;

const char* const kWindowCaption = "VORAN - Sistema de Críticas de Dados do TALMERO";
const char* const kHelpFile = "PRXAuto.chm";

// Whether every character takes the same width, so the report's columns line up (the font's
// own fixed-pitch flag is not reliable under fontconfig).
bool IsMonospaced(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(QLatin1Char('W'));
  return metrics.horizontalAdvance(QLatin1Char('i')) == width &&
         metrics.horizontalAdvance(QLatin1Char('.')) == width &&
         metrics.horizontalAdvance(QLatin1Char(' ')) == width;
}

// "Courier New" 8 pt where the system has it or a monospaced stand-in for it, else the system's
// fixed-pitch font at 8 pt.
QFont LogFont() {
  QFont font(QStringLiteral("Courier New"), 8);
  font.setStyleHint(QFont::TypeWriter);
  if (IsMonospaced(font)) return font;
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  return fixed;
}

QRect Shifted(const QRect& designed, int dx) { return designed.translated(dx, 0); }

}  // namespace

Inicio::Inicio(InicioSetup setup, QWidget* parent)
    : QWidget(parent),
      program_folder_(std::move(setup.program_folder)),
      regional_(std::move(setup.regional)),
      clock_(std::move(setup.clock)),
      desktop_(std::move(setup.desktop)),
      invalid_date_notices_(setup.invalid_date_notices) {
  if (program_folder_.empty()) program_folder_ = platform::ExecutableFolder();
  if (!clock_) clock_ = platform::LocalNow;
  if (!desktop_) desktop_ = std::make_shared<QtDesktopServices>();

  setObjectName(QStringLiteral("frmInicio"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  CreateControls();
  // Narrower than this, the right-hand buttons would cover the progress bar.
  setMinimumSize(kDesignWidth - (kBtnOk.left() - kProgressBar.left() - kProgressBar.width()),
                 kLogTop + kMinimumLogHeight);
  resize(kDesignWidth, kDesignHeight);
  ArrangeControls();
}

Inicio::~Inicio() {
  if (worker_.joinable()) {
    // A run cannot be cancelled: let it end, serving its requests (a notice) meanwhile.
    closing_ = true;
    while (!worker_done_.load()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker_.join();
    QApplication::restoreOverrideCursor();
  }
}

void Inicio::CreateControls() {
  QStyle* st = style();

  Label3 = new QLabel(QStringLiteral("Arquivo de Riscos"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  edArqRisco = new QLineEdit(this);
  edArqRisco->setObjectName(QStringLiteral("edArqRisco"));
  edArqRisco->setToolTip(QStringLiteral("Local e nome do arquivo de riscos"));
  SpeedButton4 = new QToolButton(this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  SpeedButton4->setToolTip(QStringLiteral("Defina o arquivo de riscos"));

  Label4 = new QLabel(QStringLiteral("Arquivo de Sinistros"), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  edArqSinistro = new QLineEdit(this);
  edArqSinistro->setObjectName(QStringLiteral("edArqSinistro"));
  edArqSinistro->setToolTip(QStringLiteral("Local e nome do arquivo de sinistros"));
  SpeedButton3 = new QToolButton(this);
  SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
  SpeedButton3->setToolTip(QStringLiteral("Defina o arquivo de sinistros"));

  for (QToolButton* browse : {SpeedButton4, SpeedButton3}) {
    browse->setIcon(st->standardIcon(QStyle::SP_DirOpenIcon));
    browse->setAutoRaise(true);
    browse->setFocusPolicy(Qt::NoFocus);
  }

  btnOk = new QPushButton(st->standardIcon(QStyle::SP_DialogApplyButton),
                          QStringLiteral("&Criticar"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnAjuda = new QPushButton(st->standardIcon(QStyle::SP_MessageBoxQuestion), QString(), this);
  btnAjuda->setObjectName(QStringLiteral("btnAjuda"));
  btnAjuda->setToolTip(QStringLiteral("Ajuda"));
  btnExporta = new QPushButton(st->standardIcon(QStyle::SP_DialogSaveButton),
                               QStringLiteral("Exporta Resultado"), this);
  btnExporta->setObjectName(QStringLiteral("btnExporta"));
  btnExporta->setToolTip(QStringLiteral("Exporta para TXT"));
  btnFechar = new QPushButton(st->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("&Fechar"), this);
  btnFechar->setObjectName(QStringLiteral("btnFechar"));
  btnFechar->setToolTip(QStringLiteral("Sai do programa"));

  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setOrientation(Qt::Vertical);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  edLog = new QPlainTextEdit(this);
  edLog->setObjectName(QStringLiteral("edLog"));
  edLog->setToolTip(QStringLiteral("Resultado do teste"));
  edLog->setReadOnly(true);
  edLog->setUndoRedoEnabled(false);
  edLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  edLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edLog->setFont(LogFont());
  edLog->setContextMenuPolicy(Qt::CustomContextMenu);
  acSalvarFalhas = new QAction(QStringLiteral("Salvar lista de falhas (CSV)..."), this);
  acSalvarFalhas->setObjectName(QStringLiteral("acSalvarFalhas"));
  acSalvarFalhas->setEnabled(false);  // until a run has written its list

  setTabOrder(edArqRisco, edArqSinistro);
  setTabOrder(edArqSinistro, btnOk);
  setTabOrder(btnOk, btnFechar);
  setTabOrder(btnFechar, edLog);
  setTabOrder(edLog, btnExporta);
  setTabOrder(btnExporta, ProgressBar);
  setTabOrder(ProgressBar, btnAjuda);

  connect(SpeedButton4, &QToolButton::clicked, this, &Inicio::SpeedButton4Click);
  connect(SpeedButton3, &QToolButton::clicked, this, &Inicio::SpeedButton3Click);
  connect(btnOk, &QPushButton::clicked, this, &Inicio::btnOkClick);
  connect(btnExporta, &QPushButton::clicked, this, &Inicio::btnExportaClick);
  connect(btnAjuda, &QPushButton::clicked, this, &Inicio::btnAjudaClick);
  connect(acSalvarFalhas, &QAction::triggered, this, &Inicio::SalvarFalhasClick);
  connect(edLog, &QPlainTextEdit::customContextMenuRequested, this, &Inicio::ShowLogMenu);
  connect(btnFechar, &QPushButton::clicked, this, &QWidget::close);
  // Enter in a path box presses the default button.
  connect(edArqRisco, &QLineEdit::returnPressed, btnOk, &QPushButton::click);
  connect(edArqSinistro, &QLineEdit::returnPressed, btnOk, &QPushButton::click);
}

void Inicio::ArrangeControls() {
  const int dx = width() - kDesignWidth;
  Label3->setGeometry(kLabel3);
  edArqRisco->setGeometry(kArqRisco);
  SpeedButton4->setGeometry(kSpeedButton4);
  Label4->setGeometry(kLabel4);
  edArqSinistro->setGeometry(kArqSinistro);
  SpeedButton3->setGeometry(kSpeedButton3);
  ProgressBar->setGeometry(kProgressBar);
  btnOk->setGeometry(Shifted(kBtnOk, dx));
  btnAjuda->setGeometry(Shifted(kBtnAjuda, dx));
  btnExporta->setGeometry(Shifted(kBtnExporta, dx));
  btnFechar->setGeometry(Shifted(kBtnFechar, dx));
  edLog->setGeometry(0, kLogTop, width(), std::max(0, height() - kLogTop));
}

void Inicio::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ArrangeControls();
}

void Inicio::closeEvent(QCloseEvent* event) {
  // The window takes no input during a run, closing included.
  if (running_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void Inicio::Browse(QLineEdit* box) {
  QString path;
  if (desktop_->GetOpenFileName(this, &path)) box->setText(path);
}

void Inicio::SpeedButton4Click() { Browse(edArqRisco); }
void Inicio::SpeedButton3Click() { Browse(edArqSinistro); }

void Inicio::btnOkClick() {
  if (running_) return;
  // The path texts are read once, here; the run takes them from its host.
  RunInputs inputs{NativePath(edArqRisco->text()), NativePath(edArqSinistro->text()),
                   program_folder_, regional_ ? *regional_ : engine::Regional::System(), clock_};
  host_ = std::make_unique<WindowRunHost>(static_cast<RunOutputSink&>(*this), std::move(inputs));
  if (!invalid_date_notices_) host_->SilenceNotices();
  // The previous list goes; a new one streams to a temporary file while the run goes.
  findings_.reset();
  acSalvarFalhas->setEnabled(false);
  findings_ = std::make_unique<RunFindings>();
  run_.SetFindingSink(findings_->sink());
  input_blocker_ = std::make_unique<InputBlocker>(this);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  running_ = true;
  worker_done_.store(false);
  worker_ = std::thread([this, host = host_.get()] {
    std::optional<std::string> error;
    try {
      run_.Execute(*host);
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "Unexpected error";
    }
    // Queued after every flush the run asked for, so the log is complete when it runs.
    QMetaObject::invokeMethod(
        this, [this, error] { FinishRun(error); }, Qt::QueuedConnection);
    worker_done_.store(true);
  });
}

void Inicio::FinishRun(const std::optional<std::string>& error) {
  if (closing_) return;
  worker_.join();
  host_->Flush();
  host_.reset();
  run_.SetFindingSink(nullptr);
  acSalvarFalhas->setEnabled(findings_ != nullptr && findings_->Finish());
  input_blocker_.reset();
  QApplication::restoreOverrideCursor();
  running_ = false;
  if (error) desktop_->ShowError(this, ErrorBoxMessage(*error));
  emit RunEnded();
}

void Inicio::ApplyRunOutput(const std::vector<RunOutput>& batch) {
  std::vector<const std::string*> appended;
  for (const RunOutput& output : batch) {
    if (output.kind == RunOutput::Kind::kAppend) {
      appended.push_back(&output.line);
      continue;
    }
    AppendToLog(appended);
    appended.clear();
    switch (output.kind) {
      case RunOutput::Kind::kClear:
        lines_.clear();
        edLog->clear();
        break;
      case RunOutput::Kind::kReplace:
        if (output.index < lines_.size()) {
          lines_[output.index] = output.line;
          QTextCursor cursor(edLog->document()->findBlockByNumber(static_cast<int>(output.index)));
          cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
          cursor.insertText(DisplayLine(output.line));
        }
        break;
      case RunOutput::Kind::kProgress:
        ProgressBar->setValue(std::clamp(output.position, 0, 100));
        break;
      case RunOutput::Kind::kAppend:
        break;
    }
  }
  AppendToLog(appended);
}

void Inicio::AppendToLog(const std::vector<const std::string*>& lines) {
  if (lines.empty()) return;
  // One insertion per batch: the lines joined by line breaks (a displayed line has none).
  QString text;
  if (!lines_.empty()) text += u'\n';
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += u'\n';
    text += DisplayLine(*lines[i]);
    lines_.push_back(*lines[i]);
  }
  QTextCursor cursor(edLog->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  QScrollBar* bar = edLog->verticalScrollBar();
  bar->setValue(bar->maximum());
}

bool Inicio::AskInvalidDate(const std::string& message) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const bool silence = desktop_->ShowInvalidDate(this, DecodeMessage(message));
  QApplication::restoreOverrideCursor();
  return silence;
}

void Inicio::btnExportaClick() {
  SaveDialogSettings settings;
  settings.title = QStringLiteral("Exporta resultado PRX");
  settings.default_suffix = QStringLiteral("txt");
  settings.initial_folder = QDir::rootPath();
#ifdef Q_OS_WIN
  settings.initial_name = QStringLiteral("*.txt");  // shown as a filter by the native dialog
#endif
  QString path;
  if (!desktop_->GetSaveFileName(this, settings, &path)) return;
  const QString error = WriteReport(path, lines_);
  if (!error.isEmpty()) {
    desktop_->ShowError(this, ErrorBoxMessage(error.toStdString()));
    return;
  }
  openWithShell(path);
}

void Inicio::ShowLogMenu(const QPoint& position) {
  std::unique_ptr<QMenu> menu(edLog->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(acSalvarFalhas);
  menu->exec(edLog->viewport()->mapToGlobal(position));
}

void Inicio::SalvarFalhasClick() {
  if (running_ || findings_ == nullptr || !findings_->ready()) return;
  SaveDialogSettings settings;
  settings.title = QStringLiteral("Salva lista de falhas PRX");
  settings.default_suffix = QStringLiteral("csv");
  settings.initial_folder = QDir::rootPath();
  QString path;
  if (!desktop_->GetSaveFileName(this, settings, &path)) return;
  const QString error = findings_->SaveAs(path);
  if (!error.isEmpty()) desktop_->ShowError(this, ErrorBoxMessage(error.toStdString()));
}

void Inicio::btnAjudaClick() { openWithShell(FromNativePath(program_folder_ + kHelpFile)); }

void Inicio::openWithShell(const QString& path) {
  const std::string_view message = ShellMessage(desktop_->OpenFile(this, path));
  if (!message.empty()) {
    desktop_->ShowMessage(
        this, QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())));
  }
}

}  // namespace ui
