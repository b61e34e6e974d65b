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
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <exception>

#include "frontend/catalogue_folder.h"
#include "frontend/control_table.h"
#include "frontend/file_snapshot.h"
#include "frontend/help_open.h"
#include "frontend/message_text.h"
#include "frontend/report_export.h"
#include "frontend/save_dialogs.h"
#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"
#include "platform/path_separator.h"
#include "platform/program_folder.h"
#include "ui/findings_panel.h"
#include "ui/input_blocker.h"
#include "ui/native_path.h"
#include "ui/return_presses_button.h"

namespace ui {
namespace {

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
  setWindowTitle(Utf8(frontend::kWindowCaption));
  CreateControls();
  setMinimumSize(frontend::kMinimumClientWidth, frontend::kMinimumClientHeight);
  resize(frontend::kDesignClientWidth, frontend::kDesignClientHeight);
  ArrangeControls();
  ReturnPressesButton::Install(this);
}

Inicio::~Inicio() {
  if (host_ && !host_->Finished()) {
    // A run cannot be cancelled: let it end, serving its requests (a notice) meanwhile.
    closing_ = true;
    while (!host_->WorkerEnded()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    host_->Flush();
    QApplication::restoreOverrideCursor();
  }
  delete panel_;  // lets go of the list before the list's file goes
}

void Inicio::CreateControls() {
  QStyle* st = style();
  const auto caption = [](const char* name) { return Utf8(frontend::FindControl(name)->caption); };
  const auto tooltip = [](const char* name) { return Utf8(frontend::FindControl(name)->tooltip); };

  Label3 = new QLabel(caption("Label3"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  edArqRisco = new QLineEdit(this);
  edArqRisco->setObjectName(QStringLiteral("edArqRisco"));
  edArqRisco->setToolTip(tooltip("edArqRisco"));
  SpeedButton4 = new QToolButton(this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  SpeedButton4->setToolTip(tooltip("SpeedButton4"));

  Label4 = new QLabel(caption("Label4"), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  edArqSinistro = new QLineEdit(this);
  edArqSinistro->setObjectName(QStringLiteral("edArqSinistro"));
  edArqSinistro->setToolTip(tooltip("edArqSinistro"));
  SpeedButton3 = new QToolButton(this);
  SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
  SpeedButton3->setToolTip(tooltip("SpeedButton3"));

  for (QToolButton* browse : {SpeedButton4, SpeedButton3}) {
    browse->setIcon(st->standardIcon(QStyle::SP_DirOpenIcon));
    browse->setAutoRaise(true);
    browse->setFocusPolicy(Qt::NoFocus);
  }

  btnOk = new QPushButton(st->standardIcon(QStyle::SP_DialogApplyButton), caption("btnOk"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnAjuda = new QPushButton(st->standardIcon(QStyle::SP_MessageBoxQuestion), QString(), this);
  btnAjuda->setObjectName(QStringLiteral("btnAjuda"));
  btnAjuda->setToolTip(tooltip("btnAjuda"));
  btnExporta =
      new QPushButton(st->standardIcon(QStyle::SP_DialogSaveButton), caption("btnExporta"), this);
  btnExporta->setObjectName(QStringLiteral("btnExporta"));
  btnExporta->setToolTip(tooltip("btnExporta"));
  btnFechar =
      new QPushButton(st->standardIcon(QStyle::SP_DialogCloseButton), caption("btnFechar"), this);
  btnFechar->setObjectName(QStringLiteral("btnFechar"));
  btnFechar->setToolTip(tooltip("btnFechar"));

  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setOrientation(Qt::Vertical);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  edLog = new QPlainTextEdit(this);
  edLog->setObjectName(QStringLiteral("edLog"));
  edLog->setToolTip(tooltip("edLog"));
  edLog->setReadOnly(true);
  edLog->setUndoRedoEnabled(false);
  edLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  edLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edLog->setFont(LogFont());
  edLog->setContextMenuPolicy(Qt::CustomContextMenu);
  acSalvarFalhas = new QAction(Utf8(frontend::kSaveFailureList), this);
  acSalvarFalhas->setObjectName(QStringLiteral("acSalvarFalhas"));
  acSalvarFalhas->setEnabled(false);  // until a run has written its list
  acPainelFalhas = new QAction(Utf8(frontend::kFindingsPanel), this);
  acPainelFalhas->setObjectName(QStringLiteral("acPainelFalhas"));
  acPainelFalhas->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  acPainelFalhas->setShortcutContext(Qt::WindowShortcut);
  addAction(acPainelFalhas);
  acPastaCatalogo = new QAction(Utf8(frontend::kChooseCatalogue), this);
  acPastaCatalogo->setObjectName(QStringLiteral("acPastaCatalogo"));
  acPastaPrograma = new QAction(Utf8(frontend::kProgramCatalogue), this);
  acPastaPrograma->setObjectName(QStringLiteral("acPastaPrograma"));
  acPastaPrograma->setEnabled(false);  // until another folder is chosen

  // The strip takes no focus: the tab order stays the designed one.
  sbVeredito = new QStatusBar(this);
  sbVeredito->setObjectName(QStringLiteral("sbVeredito"));
  sbVeredito->setSizeGripEnabled(false);
  sbVeredito->setFocusPolicy(Qt::NoFocus);
  sbVeredito->setCursor(Qt::PointingHandCursor);
  lbMarca = new QLabel(sbVeredito);
  lbMarca->setObjectName(QStringLiteral("lbMarca"));
  lbVeredito = new QLabel(sbVeredito);
  lbVeredito->setObjectName(QStringLiteral("lbVeredito"));
  sbVeredito->addWidget(lbMarca);
  sbVeredito->addWidget(lbVeredito, 1);
  for (QWidget* part : std::initializer_list<QWidget*>{sbVeredito, lbMarca, lbVeredito}) {
    part->installEventFilter(this);
  }
  ShowStrip(frontend::StripReady());
  sbVeredito->setToolTip(Utf8(frontend::CatalogueTooltip({}, program_folder_)));

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
  connect(acPainelFalhas, &QAction::triggered, this, &Inicio::PainelFalhasClick);
  connect(acPastaCatalogo, &QAction::triggered, this, &Inicio::PastaCatalogoClick);
  connect(acPastaPrograma, &QAction::triggered, this, &Inicio::PastaProgramaClick);
  connect(edLog, &QPlainTextEdit::customContextMenuRequested, this, &Inicio::ShowLogMenu);
  connect(btnFechar, &QPushButton::clicked, this, &QWidget::close);
  // Enter in a path box presses the default button.
  connect(edArqRisco, &QLineEdit::returnPressed, btnOk, &QPushButton::click);
  connect(edArqSinistro, &QLineEdit::returnPressed, btnOk, &QPushButton::click);
}

void Inicio::ArrangeControls() {
  for (const frontend::ControlSpec& spec : frontend::Controls()) {
    auto* control = findChild<QWidget*>(Utf8(spec.name), Qt::FindDirectChildrenOnly);
    if (control == nullptr) continue;
    const frontend::Rect r = frontend::Place(spec, width(), height());
    control->setGeometry(r.left, r.top, r.width, r.height);
  }
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
  // Closing the window ends the program: the panel goes with it.
  if (panel_ != nullptr) panel_->close();
  QWidget::closeEvent(event);
}

bool Inicio::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      (watched == sbVeredito || watched == lbMarca || watched == lbVeredito)) {
    PainelFalhasClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Inicio::ShowStrip(frontend::VerdictStrip strip) {
  strip_ = std::move(strip);
  lbVeredito->setText(Utf8(strip_.text));
  lbMarca->setVisible(strip_.colour.has_value());
  if (strip_.colour) {
    const int side = std::max(8, fontMetrics().height() - 4);
    QPixmap mark(side, side);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(*strip_.colour));
    painter.drawEllipse(0, 0, side, side);
    lbMarca->setPixmap(mark);
  }
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
  frontend::RunInputs inputs{NativePath(edArqRisco->text()),
                             NativePath(edArqSinistro->text()),
                             CatalogueFolder(),
                             regional_ ? *regional_ : engine::Regional::System(),
                             clock_,
                             invalid_date_notices_};
  const frontend::RunFiles files{{inputs.risk_path, std::nullopt},
                                 {inputs.claims_path, std::nullopt}};
  host_ = std::make_unique<frontend::WindowRunHost>(
      static_cast<frontend::RunView&>(*this), lines_, std::move(inputs),
      [this] { QMetaObject::invokeMethod(this, &Inicio::FlushRun, Qt::QueuedConnection); });
  // The previous list goes (the panel lets go of it first); a new one streams to a temporary
  // file while the run goes.
  if (panel_ != nullptr) panel_->Unload();
  panel_current_ = false;
  run_files_ = files;
  findings_.reset();
  acSalvarFalhas->setEnabled(false);
  findings_ = std::make_unique<frontend::RunFindings>();
  run_.SetFindingSink(findings_->sink());
  input_blocker_ = std::make_unique<InputBlocker>(this);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  running_ = true;
  ShowStrip(frontend::StripRunning());
  host_->Start(run_);
}

void Inicio::FlushRun() {
  if (!host_) return;
  host_->Flush();
  if (host_ && host_->Finished() && !closing_) host_.reset();
}

void Inicio::RunFinished(const std::optional<std::string>& error) {
  run_.SetFindingSink(nullptr);
  if (closing_) return;
  acSalvarFalhas->setEnabled(findings_ != nullptr && findings_->Finish());
  // The run has let go of its inputs: what they look like now is what the list describes.
  run_files_.riscos.snapshot = frontend::TakeSnapshot(run_files_.riscos.path);
  run_files_.sinistros.snapshot = frontend::TakeSnapshot(run_files_.sinistros.path);
  have_run_ = true;
  run_error_ = error;
  ShowStrip(frontend::StripOf(run_.state().result, error));
  // The panel reads the new list at once, shown or not: the file is fresh in the system's cache,
  // and the list is ready by the time the user opens the panel.
  LoadPanel();
  input_blocker_.reset();
  QApplication::restoreOverrideCursor();
  running_ = false;
  if (error) desktop_->ShowError(this, Utf8(frontend::ErrorBoxMessage(*error)));
  emit RunEnded();
}

void Inicio::LogCleared() { edLog->clear(); }

void Inicio::LinesAppended(std::size_t first) {
  // One insertion per batch: the lines joined by line breaks (a displayed line has none).
  QString text;
  if (first > 0) text += u'\n';
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (i > first) text += u'\n';
    text += Utf8(frontend::DisplayLine(lines_[i]));
  }
  QTextCursor cursor(edLog->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  QScrollBar* bar = edLog->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void Inicio::LineReplaced(std::size_t index) {
  QTextCursor cursor(edLog->document()->findBlockByNumber(static_cast<int>(index)));
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(Utf8(frontend::DisplayLine(lines_[index])));
}

void Inicio::ProgressChanged(int position) { ProgressBar->setValue(position); }

bool Inicio::AskInvalidDate(const std::string& message) { return AskInvalidDateAt(message, {}); }

bool Inicio::AskInvalidDateAt(const std::string& message, const std::string& place) {
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const bool silence = desktop_->ShowInvalidDate(this, Utf8(frontend::DecodeMessage(message)),
                                                 Utf8(frontend::DecodeMessage(place)));
  QApplication::restoreOverrideCursor();
  return silence;
}

std::vector<std::string> Inicio::ProtectedFiles() const {
  return frontend::WindowInputFiles(
      program_folder_, catalogue_folder_, NativePath(edArqRisco->text()),
      NativePath(edArqSinistro->text()), run_files_.riscos.path, run_files_.sinistros.path);
}

bool Inicio::SaveChecked(const QString& path, const frontend::SaveAction& save) {
  const std::string error = frontend::SaveUnlessInput(NativePath(path), ProtectedFiles(), save);
  if (error.empty()) return true;
  desktop_->ShowError(this, Utf8(frontend::ErrorBoxMessage(error)));
  return false;
}

void Inicio::btnExportaClick() {
  QString path;
  if (!desktop_->GetSaveFileName(this, frontend::ExportDialog(), &path)) return;
  const bool saved = SaveChecked(
      path, [this](const std::filesystem::path& to) { return frontend::WriteReport(to, lines_); });
  if (saved) OpenWithShell(path);
}

void Inicio::ShowLogMenu(const QPoint& position) {
  std::unique_ptr<QMenu> menu(edLog->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(acSalvarFalhas);
  menu->addAction(acPainelFalhas);
  menu->addSeparator();
  menu->addAction(acPastaCatalogo);
  menu->addAction(acPastaPrograma);
  menu->exec(edLog->viewport()->mapToGlobal(position));
}

void Inicio::SalvarFalhasClick() {
  if (running_ || findings_ == nullptr || !findings_->ready()) return;
  QString path;
  if (!desktop_->GetSaveFileName(this, frontend::FailureListDialog(), &path)) return;
  SaveChecked(path, [this](const std::filesystem::path& to) { return findings_->SaveAs(to); });
}

void Inicio::EnsurePanel() {
  if (panel_ != nullptr) return;
  panel_ = new FindingsPanel(desktop_, this);
  ReturnPressesButton::Install(panel_);
}

void Inicio::LoadPanel() {
  EnsurePanel();
  PanelRun run;
  if (findings_ != nullptr && findings_->ready()) run.list_path = findings_->path();
  run.result = run_.state().result;
  run.files = run_files_;
  run.protected_files = ProtectedFiles();
  run.error = run_error_;
  panel_->Load(std::move(run));
  panel_current_ = true;
}

void Inicio::PainelFalhasClick() {
  EnsurePanel();
  if (have_run_ && !running_ && !panel_current_) LoadPanel();
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
}

std::string Inicio::CatalogueFolder() const {
  return catalogue_folder_.empty() ? program_folder_ : catalogue_folder_;
}

void Inicio::PastaCatalogoClick() {
  QString folder;
  if (running_ || !desktop_->GetFolder(this, Utf8(frontend::kChooseCatalogue), &folder)) return;
  ChooseCatalogue(folder);
}

void Inicio::PastaProgramaClick() {
  if (!running_) ChooseCatalogue({});
}

bool Inicio::ChooseCatalogue(const QString& folder) {
  std::string chosen =
      folder.isEmpty() ? std::string() : platform::WithTrailingSeparator(NativePath(folder));
  if (!chosen.empty()) {
    const std::string refusal = frontend::CheckCatalogueFolder(chosen);
    if (!refusal.empty()) {
      desktop_->ShowError(this, Utf8(refusal));
      return false;
    }
  }
  catalogue_folder_ = std::move(chosen);
  acPastaPrograma->setEnabled(!catalogue_folder_.empty());
  sbVeredito->setToolTip(Utf8(frontend::CatalogueTooltip(catalogue_folder_, program_folder_)));
  return true;
}

void Inicio::btnAjudaClick() {
  ShowShellResult(frontend::OpenHelp(program_folder_, [this](const std::string& path) {
    return desktop_->OpenFile(this, FromNativePath(path));
  }));
}

void Inicio::OpenWithShell(const QString& path) { ShowShellResult(desktop_->OpenFile(this, path)); }

void Inicio::ShowShellResult(int code) {
  const std::string_view message = frontend::ShellMessage(code);
  if (!message.empty()) desktop_->ShowMessage(this, Utf8(message));
}

}  // namespace ui
