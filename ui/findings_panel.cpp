#include "ui/findings_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <limits>

#include "frontend/failure_chart_data.h"
#include "frontend/failure_rows_save.h"
#include "frontend/input_overwrite.h"
#include "frontend/list_save.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"
#include "frontend/save_dialogs.h"
#include "frontend/verdict_banner.h"
#include "ui/desktop_save_view.h"
#include "ui/desktop_services.h"
#include "ui/failure_chart.h"
#include "ui/failure_table_model.h"
#include "ui/native_path.h"
#include "ui/record_dialog.h"

namespace ui {
namespace {

// Every failing field of every table: the chart scrolls.
constexpr std::size_t kChartBars = std::numeric_limits<std::size_t>::max();

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// The panel's size when it first opens: 960 by 720, or less on a small work area (a 1366 by 768
// screen at 125 % leaves about 1093 by 580), with room left for the frame and the taskbar.
QSize FirstSize(const QWidget& panel) {
  QSize size(960, 720);
  if (const QScreen* screen = panel.screen()) {
    const QRect area = screen->availableGeometry();
    size = size.boundedTo(QSize(area.width() * 9 / 10, area.height() * 9 / 10));
  }
  return size;
}

}  // namespace

FindingsPanel::FindingsPanel(std::shared_ptr<DesktopServices> desktop, QWidget* parent)
    : QWidget(parent, Qt::Window), desktop_(std::move(desktop)) {
  setObjectName(QStringLiteral("frmPainelFalhas"));
  setWindowTitle(Utf8(frontend::kPanelTitle));
  CreateControls();
  // The splitter's first sizes: a few lines of banner, the chart's first bars, the list the rest.
  const int line = fontMetrics().height();
  spPainel->setSizes({line * 6, line * 9, line * 30});
  resize(FirstSize(*this));
  Unload();
  lbVeredito->setText(Utf8(frontend::kPanelNoRun));
}

FindingsPanel::~FindingsPanel() {
  loader_.Stop();
  ClearTable();
}

void FindingsPanel::CreateControls() {
  auto* outer = new QVBoxLayout(this);
  // Banner, chart and list share the height in a splitter, so the user gives the list more room
  // or reads a long banner whole.
  spPainel = new QSplitter(Qt::Vertical, this);
  spPainel->setObjectName(QStringLiteral("spPainel"));
  spPainel->setChildrenCollapsible(false);
  outer->addWidget(spPainel);
  lbVeredito = new QLabel(this);
  lbVeredito->setObjectName(QStringLiteral("lbVeredito"));
  lbVeredito->setWordWrap(true);
  lbVeredito->setTextFormat(Qt::RichText);
  lbVeredito->setMargin(8);
  lbVeredito->setAutoFillBackground(true);
  lbVeredito->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A run with many warnings scrolls inside the banner instead of pushing the table away.
  banner_area_ = new QScrollArea(this);
  banner_area_->setWidget(lbVeredito);
  banner_area_->setWidgetResizable(true);
  banner_area_->setFrameShape(QFrame::NoFrame);
  spPainel->addWidget(banner_area_);

  grFalhas = new FailureChart(this);
  auto* chart_area = new QScrollArea(this);
  chart_area->setWidget(grFalhas);
  chart_area->setWidgetResizable(true);
  spPainel->addWidget(chart_area);

  auto* list_part = new QWidget(this);
  auto* layout = new QVBoxLayout(list_part);
  layout->setContentsMargins(0, 0, 0, 0);
  spPainel->addWidget(list_part);
  spPainel->setStretchFactor(2, 1);

  auto* filters = new QHBoxLayout;
  const auto combo = [this, filters](const QString& label, const char* name) {
    auto* caption = new QLabel(label, this);
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    caption->setBuddy(box);
    filters->addWidget(caption);
    filters->addWidget(box);
    connect(box, &QComboBox::currentIndexChanged, this, [this] {
      if (!filling_) FilterChanged();
    });
    return box;
  };
  cbArquivo = combo(QStringLiteral("&Arquivo"), "cbArquivo");
  cbCampo = combo(QStringLiteral("Ca&mpo"), "cbCampo");
  cbVerificacao = combo(QStringLiteral("&Verificação"), "cbVerificacao");
  auto* search_caption = new QLabel(QStringLiteral("A&pólice"), this);
  edApolice = new QLineEdit(this);
  edApolice->setObjectName(QStringLiteral("edApolice"));
  edApolice->setPlaceholderText(Utf8(frontend::kPanelSearchHint));
  edApolice->setClearButtonEnabled(true);
  search_caption->setBuddy(edApolice);
  filters->addWidget(search_caption);
  filters->addWidget(edApolice, 1);
  connect(edApolice, &QLineEdit::textChanged, this, &FindingsPanel::FilterChanged);
  ckNovas = new QCheckBox(Utf8(frontend::kPanelOnlyNew), this);
  ckNovas->setObjectName(QStringLiteral("ckNovas"));
  filters->addWidget(ckNovas);
  connect(ckNovas, &QCheckBox::toggled, this, &FindingsPanel::FilterChanged);
  layout->addLayout(filters);

  tvFalhas = new QTableView(this);
  tvFalhas->setObjectName(QStringLiteral("tvFalhas"));
  tvFalhas->setSelectionBehavior(QAbstractItemView::SelectRows);
  tvFalhas->setSelectionMode(QAbstractItemView::SingleSelection);
  tvFalhas->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvFalhas->setWordWrap(false);
  // Rows of one height: the view never asks a million rows for their size.
  tvFalhas->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tvFalhas->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  tvFalhas->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  tvFalhas->setToolTip(Utf8(frontend::kPanelRowHint));
  connect(tvFalhas, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { ShowRecord(index.row()); });
  tvFalhas->installEventFilter(this);
  layout->addWidget(tvFalhas, 1);

  auto* bottom = new QHBoxLayout;
  lbContagem = new QLabel(this);
  lbContagem->setObjectName(QStringLiteral("lbContagem"));
  bottom->addWidget(lbContagem, 1);
  btnSalvar = new QPushButton(Utf8(frontend::kPanelSave), this);
  btnSalvar->setObjectName(QStringLiteral("btnSalvar"));
  btnSalvar->setToolTip(
      QStringLiteral("Salva as linhas mostradas em CSV ou numa pasta de trabalho (.xlsx)"));
  connect(btnSalvar, &QPushButton::clicked, this, &FindingsPanel::SalvarClick);
  bottom->addWidget(btnSalvar);
  layout->addLayout(bottom);
}

void FindingsPanel::ClearTable() {
  job_.reset();  // no answer comes after this
  tvFalhas->setModel(nullptr);
  model_.reset();
  index_.reset();
}

void FindingsPanel::Unload() {
  ++generation_;
  loader_.Stop();
  if (record_dialog_ != nullptr) record_dialog_->close();
  ClearTable();
  run_ = PanelRun{};
  grFalhas->SetTables({});
  filling_ = true;
  for (QComboBox* box : {cbArquivo, cbCampo, cbVerificacao}) box->clear();
  filling_ = false;
  boxes_.Reset();
  for (QWidget* control : std::initializer_list<QWidget*>{cbArquivo, cbCampo, cbVerificacao,
                                                          edApolice, ckNovas, btnSalvar}) {
    control->setEnabled(false);
  }
  lbVeredito->setText(Utf8(frontend::kPanelRunning));
  banner_area_->setVisible(true);
  lbVeredito->setPalette(palette());
  lbContagem->clear();
}

void FindingsPanel::Load(PanelRun run) {
  Unload();
  run_ = std::move(run);
  key_widths_ = frontend::DeclaredKeyWidths(run_.files);
  ShowVerdict();
  grFalhas->SetTables(frontend::ChartData(run_.result, kChartBars));
  if (run_.list_path.empty()) {
    lbContagem->setText(Utf8(frontend::kPanelNoList));
    return;
  }
  lbContagem->setText(Utf8(frontend::kPanelReading));
  loader_.Start(run_.list_path, [this] {
    QMetaObject::invokeMethod(this, &FindingsPanel::IndexReady, Qt::QueuedConnection);
  });
}

void FindingsPanel::ShowVerdict() {
  const frontend::VerdictBanner banner = frontend::BannerOf(run_.result, run_.error);
  QString html = QStringLiteral("<span style=\"font-size:large; font-weight:bold\">%1</span>")
                     .arg(QString::fromStdString(banner.title).toHtmlEscaped());
  for (const frontend::BannerList& list : frontend::BannerLists(banner)) {
    html += QStringLiteral("<br><b>%1</b><ul style=\"margin:0\">").arg(Utf8(list.heading));
    for (const std::string& line : list.lines) {
      html += QStringLiteral("<li>%1</li>").arg(QString::fromStdString(line).toHtmlEscaped());
    }
    html += QStringLiteral("</ul>");
  }
  lbVeredito->setText(html);
  QPalette colours = lbVeredito->palette();
  colours.setColor(QPalette::Window, QColor::fromRgb(banner.background));
  colours.setColor(QPalette::WindowText, Qt::white);
  lbVeredito->setPalette(colours);
  lbVeredito->setProperty("veredito", QString::fromStdString(banner.title));
  banner_area_->setVisible(true);
}

void FindingsPanel::IndexReady() {
  std::optional<frontend::FailureIndexLoader::Outcome> outcome = loader_.Take();
  if (!outcome) return;  // a reading that was stopped since
  index_ = std::move(outcome->index);
  if (!index_) {
    lbContagem->setText(QString::fromStdString(frontend::DecodeMessage(outcome->error)));
    return;
  }
  model_ = std::make_unique<FailureTableModel>(*index_);
  tvFalhas->setModel(model_.get());
  const std::uint64_t generation = generation_;
  job_ = std::make_unique<frontend::FilterJob>(
      index_->keys(), [this, generation](std::uint64_t ticket, frontend::FilterAnswer answer) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, ticket, answer = std::move(answer)]() mutable {
              if (generation == generation_) RowsReady(ticket, std::move(answer));
            },
            Qt::QueuedConnection);
      });
  boxes_.Reset();
  for (QWidget* control :
       std::initializer_list<QWidget*>{cbArquivo, cbCampo, cbVerificacao, edApolice, btnSalvar}) {
    control->setEnabled(true);
  }
  edApolice->setEnabled(index_->HasApolice());
  // Only a list marked against an earlier run tells which failures are new.
  ckNovas->setEnabled(index_->HasNova());
  filling_ = true;
  edApolice->clear();
  ckNovas->setChecked(false);
  filling_ = false;
  FillChoices();
  ShowCount();
  FitColumns();
  emit Loaded();
}

void FindingsPanel::FillChoices() {
  if (!index_) return;
  filling_ = true;
  const auto& boxes = boxes_.Refill(index_->keys());
  QComboBox* const combos[] = {cbArquivo, cbCampo, cbVerificacao};
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    combos[b]->clear();
    // The value as the item's data too, so the entry can be found by it.
    for (const frontend::FilterBoxes::Entry& entry : boxes[b].entries) {
      combos[b]->addItem(Utf8(entry.text), QByteArray::fromStdString(entry.value));
    }
    combos[b]->setCurrentIndex(boxes[b].selected);
  }
  filling_ = false;
}

void FindingsPanel::FilterChanged() {
  if (filling_ || !job_) return;
  boxes_.Choose({cbArquivo->currentIndex(), cbCampo->currentIndex(), cbVerificacao->currentIndex()},
                edApolice->text().toStdString(), ckNovas->isChecked());
  FillChoices();
  lbContagem->setText(Utf8(frontend::kPanelFiltering));
  ticket_ = job_->Request(boxes_.filter());
}

void FindingsPanel::RowsReady(std::uint64_t ticket, frontend::FilterAnswer answer) {
  if (ticket != ticket_ || !model_) return;
  // A search's pass also counted the boxes' entries.
  if (!answer.searched_group_rows.empty()) {
    boxes_.Searched(boxes_.filter(), answer);
    FillChoices();
  }
  model_->SetRows(std::move(answer.rows));
  ShowCount();
  FitColumns();
  emit Filtered();
}

void FindingsPanel::ShowCount() {
  if (!model_ || !index_) return;
  lbContagem->setText(Utf8(frontend::ShownCountText(model_->rows().size(), index_->RowCount())));
}

void FindingsPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FitColumns();
}

void FindingsPanel::FitColumns() {
  // A hidden table would measure every row of the list; it is fitted once shown.
  if (!model_ || !index_ || !tvFalhas->isVisible()) return;
  const bool structure = frontend::ListsStructureRows(index_->keys(), model_->rows());
  const QFontMetrics metrics = tvFalhas->fontMetrics();
  const int padding = metrics.horizontalAdvance(QLatin1Char('0')) * 2;
  const int most = std::max(200, tvFalhas->viewport()->width() * 3 / 5);
  const std::vector<frontend::PanelColumn>& columns = model_->columns();
  // Widths from the rows on screen only, never from every row of the list (Qt's own fitting
  // reads every row while the view has not laid out its rows yet).
  const int first = std::max(0, tvFalhas->rowAt(0));
  const int row_height = std::max(1, tvFalhas->verticalHeader()->defaultSectionSize());
  const int last =
      std::min(model_->rowCount() - 1, first + tvFalhas->viewport()->height() / row_height + 1);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    const frontend::PanelColumn& column = columns[static_cast<std::size_t>(c)];
    const bool hidden = column.role == frontend::ColumnRole::kStructure && !structure;
    tvFalhas->setColumnHidden(c, hidden);
    if (hidden) continue;
    const int title = tvFalhas->horizontalHeader()->sectionSizeHint(c);
    if (column.role == frontend::ColumnRole::kKey) {
      // As wide as the input declares the field, whatever the rows on screen hold.
      const auto chars = static_cast<int>(key_widths_.Of(column.key_field));
      const int declared = metrics.horizontalAdvance(QString(chars, QLatin1Char('0'))) + padding;
      tvFalhas->setColumnWidth(c, std::max(title, declared));
      continue;
    }
    int widest = title;
    // File, field and check: every value the list holds, so scrolling never cuts one.
    for (const std::string& value :
         frontend::EveryValueOf(index_->keys(), index_->Header(), column)) {
      widest = std::max(widest, metrics.horizontalAdvance(Utf8(value)) + padding);
    }
    for (int r = first; r <= last; ++r) {
      const QString text = model_->index(r, c).data().toString();
      widest = std::max(widest, metrics.horizontalAdvance(text) + padding);
    }
    tvFalhas->setColumnWidth(c, std::min(widest, most));
  }
}

bool FindingsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tvFalhas && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && tvFalhas->currentIndex().isValid()) {
      ShowRecord(tvFalhas->currentIndex().row());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

std::vector<std::uint32_t> FindingsPanel::ShownRows() const {
  return model_ ? model_->rows() : std::vector<std::uint32_t>{};
}

void FindingsPanel::ShowRecord(int row) {
  if (!model_ || row < 0 || row >= model_->rowCount()) return;
  const std::uint32_t list_row = model_->ListRow(row);
  const frontend::RecordView view = frontend::RecordOfRow(*index_, list_row, run_.files);
  const std::string& path = frontend::RecordPathOfRow(*index_, list_row, run_.files);
  if (record_dialog_ != nullptr) record_dialog_->close();
  record_dialog_ = new RecordDialog(view, FromNativePath(path), this);
  record_dialog_->setAttribute(Qt::WA_DeleteOnClose);
  connect(record_dialog_, &QObject::destroyed, this, [this, dialog = record_dialog_] {
    if (record_dialog_ == dialog) record_dialog_ = nullptr;
  });
  record_dialog_->show();
}

void FindingsPanel::SalvarClick() {
  if (!model_) return;
  const frontend::SaveDialogSettings settings = frontend::FailureListDialog();
  QString chosen;
  int filter = -1;
  if (!desktop_->GetSaveFileName(this, settings, &chosen, &filter)) return;
  DesktopSaveView view(*desktop_, this);
  frontend::SaveShownRows(view, settings, NativePath(chosen), filter, *index_, model_->rows(),
                          run_.ProtectedFiles());
}

}  // namespace ui
