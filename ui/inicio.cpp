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
#include "frontend/message_text.h"
#include "frontend/window_texts.h"
#include "ui/findings_panel.h"
#include "ui/input_blocker.h"
#include "ui/native_path.h"
#include "ui/return_presses_button.h"
#include "ui/run_history_dialog.h"

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
      desktop_(setup.desktop ? std::move(setup.desktop) : std::make_shared<QtDesktopServices>()),
      controller_(static_cast<frontend::WindowView&>(*this),
                  {std::move(setup.program_folder), std::move(setup.regional),
                   std::move(setup.clock), setup.invalid_date_notices, std::move(setup.history)}) {
  setObjectName(QStringLiteral("frmInicio"));
  setWindowTitle(Utf8(frontend::kWindowCaption));
  CreateControls();
  setMinimumSize(frontend::kMinimumClientWidth, frontend::kMinimumClientHeight);
  resize(frontend::kDesignClientWidth, frontend::kDesignClientHeight);
  ArrangeControls();
  ReturnPressesButton::Install(this);
  controller_.Opened();
}

Inicio::~Inicio() {
  const bool waited = controller_.WaitForRun([] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  if (waited) QApplication::restoreOverrideCursor();
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
  acPainelFalhas = new QAction(Utf8(frontend::kFindingsPanel), this);
  acPainelFalhas->setObjectName(QStringLiteral("acPainelFalhas"));
  acPainelFalhas->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  acPainelFalhas->setShortcutContext(Qt::WindowShortcut);
  addAction(acPainelFalhas);
  acPastaCatalogo = new QAction(Utf8(frontend::kChooseCatalogue), this);
  acPastaCatalogo->setObjectName(QStringLiteral("acPastaCatalogo"));
  acPastaPrograma = new QAction(Utf8(frontend::kProgramCatalogue), this);
  acPastaPrograma->setObjectName(QStringLiteral("acPastaPrograma"));
  acHistorico = new QAction(Utf8(frontend::kRunHistoryAction), this);
  acHistorico->setObjectName(QStringLiteral("acHistorico"));

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
  // A long line is cut at the window's edge instead of widening the window; its tooltip has it
  // whole.
  lbVeredito->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  sbVeredito->addWidget(lbVeredito, 1);
  for (QWidget* part : std::initializer_list<QWidget*>{sbVeredito, lbMarca, lbVeredito}) {
    part->installEventFilter(this);
  }

  setTabOrder(edArqRisco, edArqSinistro);
  setTabOrder(edArqSinistro, btnOk);
  setTabOrder(btnOk, btnFechar);
  setTabOrder(btnFechar, edLog);
  setTabOrder(edLog, btnExporta);
  setTabOrder(btnExporta, ProgressBar);
  setTabOrder(ProgressBar, btnAjuda);

  connect(SpeedButton4, &QToolButton::clicked, this, [this] { Browse(edArqRisco); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { Browse(edArqSinistro); });
  frontend::WindowController* c = &controller_;
  connect(btnOk, &QPushButton::clicked, this, [c] { c->Run(); });
  connect(btnExporta, &QPushButton::clicked, this, [c] { c->ExportReport(); });
  connect(btnAjuda, &QPushButton::clicked, this, [c] { c->ShowHelp(); });
  connect(acSalvarFalhas, &QAction::triggered, this, [c] { c->SaveFailures(); });
  connect(acPainelFalhas, &QAction::triggered, this, [c] { c->OpenPanel(); });
  connect(acPastaCatalogo, &QAction::triggered, this, [c] { c->AskCatalogue(); });
  connect(acPastaPrograma, &QAction::triggered, this, [c] { c->ProgramCatalogue(); });
  connect(acHistorico, &QAction::triggered, this, [c] { c->ShowRunHistory(); });
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
  if (controller_.running() || !controller_.MayClose()) {
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
    controller_.OpenPanel();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Inicio::ShowStrip(const frontend::VerdictStrip& strip) {
  lbVeredito->setText(Utf8(strip.text));
  lbMarca->setVisible(strip.colour.has_value());
  if (strip.colour) {
    const int side = std::max(8, fontMetrics().height() - 4);
    QPixmap mark(side, side);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(*strip.colour));
    painter.drawEllipse(0, 0, side, side);
    lbMarca->setPixmap(mark);
  }
}

void Inicio::SetStripTooltip(const std::string& text) { sbVeredito->setToolTip(Utf8(text)); }

void Inicio::EnableAction(frontend::WindowAction action, bool enabled) {
  switch (action) {
    case frontend::WindowAction::kSaveFailures:
      return acSalvarFalhas->setEnabled(enabled);
    case frontend::WindowAction::kChooseCatalogue:
      return acPastaCatalogo->setEnabled(enabled);
    case frontend::WindowAction::kProgramCatalogue:
      return acPastaPrograma->setEnabled(enabled);
    case frontend::WindowAction::kRunHistory:
      return acHistorico->setEnabled(enabled);
  }
}

void Inicio::Browse(QLineEdit* box) {
  QString path;
  if (desktop_->GetOpenFileName(this, &path)) box->setText(path);
}

frontend::PathBoxes Inicio::ReadPathBoxes() const {
  return {NativePath(edArqRisco->text()), NativePath(edArqSinistro->text())};
}

void Inicio::WakeForRun() {
  QMetaObject::invokeMethod(
      this, [this] { controller_.FlushRun(); }, Qt::QueuedConnection);
}

void Inicio::SetRunning(bool running) {
  if (running) {
    input_blocker_ = std::make_unique<InputBlocker>(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    input_blocker_.reset();
    QApplication::restoreOverrideCursor();
  }
}

void Inicio::LogCleared() { edLog->clear(); }

void Inicio::LinesAppended(std::size_t first) {
  // One insertion per batch: the lines joined by line breaks (a displayed line has none).
  const std::vector<std::string>& lines = controller_.report();
  QString text;
  if (first > 0) text += u'\n';
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (i > first) text += u'\n';
    text += Utf8(frontend::DisplayLine(lines[i]));
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
  cursor.insertText(Utf8(frontend::DisplayLine(controller_.report()[index])));
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

void Inicio::ShowError(const std::string& text) { desktop_->ShowError(this, Utf8(text)); }
void Inicio::ShowMessage(const std::string& text) { desktop_->ShowMessage(this, Utf8(text)); }
bool Inicio::AskYesNo(const std::string& text) { return desktop_->AskYesNo(this, Utf8(text)); }
void Inicio::ShowSaveProgress(frontend::SaveJob& job) { desktop_->ShowSaveProgress(this, job); }

bool Inicio::AskFolder(const std::string& title, std::string* folder) {
  QString chosen;
  if (!desktop_->GetFolder(this, Utf8(title), &chosen)) return false;
  *folder = NativePath(chosen);
  return true;
}

bool Inicio::AskSaveFile(const frontend::SaveDialogSettings& settings, std::string* path,
                         int* filter) {
  QString chosen;
  if (!desktop_->GetSaveFileName(this, settings, &chosen, filter)) return false;
  *path = NativePath(chosen);
  return true;
}

int Inicio::OpenFile(const std::string& path) {
  return desktop_->OpenFile(this, FromNativePath(path));
}

bool Inicio::ShowRunHistory(const frontend::RunHistoryTable& table) {
  RunHistoryDialog dialog(table, this);
  return dialog.exec() == QDialog::Accepted;
}

void Inicio::ShowLogMenu(const QPoint& position) {
  std::unique_ptr<QMenu> menu(edLog->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(acSalvarFalhas);
  menu->addAction(acPainelFalhas);
  menu->addSeparator();
  menu->addAction(acPastaCatalogo);
  menu->addAction(acPastaPrograma);
  menu->addSeparator();
  menu->addAction(acHistorico);
  menu->exec(edLog->viewport()->mapToGlobal(position));
}

void Inicio::EnsurePanel() {
  if (panel_ != nullptr) return;
  panel_ = new FindingsPanel(desktop_, this);
  ReturnPressesButton::Install(panel_);
}

void Inicio::UnloadPanel() {
  if (panel_ != nullptr) panel_->Unload();
}

void Inicio::LoadPanel(frontend::PanelRun run) {
  EnsurePanel();
  panel_->Load(std::move(run));
}

void Inicio::ShowPanel() {
  EnsurePanel();
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
}

bool Inicio::ChooseCatalogue(const QString& folder) {
  return controller_.ChooseCatalogue(NativePath(folder));
}

}  // namespace ui
