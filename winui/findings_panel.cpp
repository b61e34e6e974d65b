#include "winui/findings_panel.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "frontend/control_table.h"
#include "frontend/failure_chart_data.h"
#include "frontend/failure_rows_save.h"
#include "frontend/input_overwrite.h"
#include "frontend/list_save.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"
#include "frontend/save_dialogs.h"
#include "frontend/verdict_banner.h"
#include "winui/desktop.h"
#include "winui/dialog_keys.h"
#include "winui/edit_text.h"
#include "winui/failure_chart_view.h"
#include "winui/failure_list_view.h"
#include "winui/record_window.h"
#include "winui/save_progress.h"
#include "winui/wide_text.h"
#include "winui/window_class.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"TfrmPainelFalhas";
constexpr UINT kIndexReady = WM_APP + 10;  // the list has been read (or could not be)
constexpr UINT kRowsReady = WM_APP + 11;   // a filter's answer waits
// Every failing field of every table: the chart scrolls.
constexpr std::size_t kChartBars = std::numeric_limits<std::size_t>::max();

enum : int {
  kBannerId = 3001,
  kChartId,
  kArquivoId,
  kCampoId,
  kVerificacaoId,
  kApoliceId,
  kNovasId,
  kListId,
  kCountId,
  kSaveId,
  kLabelId,  // the filter captions, one after the other
};

struct Named {
  std::string_view name;
  int id;
};
constexpr Named kNames[] = {{"lbVeredito", kBannerId},
                            {"grFalhas", kChartId},
                            {"cbArquivo", kArquivoId},
                            {"cbCampo", kCampoId},
                            {"cbVerificacao", kVerificacaoId},
                            {"edApolice", kApoliceId},
                            {"ckNovas", kNovasId},
                            {"lvFalhas", kListId},
                            {"lbContagem", kCountId},
                            {"btnSalvar", kSaveId}};

COLORREF FromRgb(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The panel's first size: 960 by 720 (at 96 dpi), or less on a small work area (a 1366 by 768
// screen at 125 % with its taskbar leaves 1366 by 728), with room left around it.
SIZE FirstSize(HWND owner, int dpi) {
  SIZE size{frontend::Scale(960, dpi), frontend::Scale(720, dpi)};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& work = monitor.rcWork;
    size.cx = std::min<LONG>(size.cx, (work.right - work.left) * 19 / 20);
    size.cy = std::min<LONG>(size.cy, (work.bottom - work.top) * 19 / 20);
  }
  return size;
}

}  // namespace

FindingsPanel::FindingsPanel(HWND owner, int dpi)
    : dpi_(dpi),
      splitter_({frontend::Scale(96, dpi), frontend::Scale(200, dpi)}, frontend::Scale(40, dpi)) {
  WindowClass<FindingsPanel>::Register(kClassName, COLOR_BTNFACE, "Cannot register the panel");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  font_ = CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
  const SIZE size = FirstSize(owner, dpi_);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(frontend::kPanelTitle).c_str(),
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          size.cx, size.cy, owner, nullptr, instance, this);
  if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the panel");
  CreateControls();
  Arrange();
  Unload();
  SetWindowTextW(lbVeredito, Widen(frontend::kPanelNoRun).c_str());
}

FindingsPanel::~FindingsPanel() {
  loader_.Stop();
  record_.reset();
  job_.reset();  // no answer comes after this
  list_->SetList(nullptr, {});
  index_.reset();
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (banner_brush_ != nullptr) DeleteObject(banner_brush_);
  if (font_ != nullptr) DeleteObject(font_);
}

HWND FindingsPanel::Control(std::string_view name) const {
  for (const Named& named : kNames) {
    if (named.name == name) return GetDlgItem(hwnd_, named.id);
  }
  return nullptr;
}

void FindingsPanel::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto child = [&](DWORD ex_style, const wchar_t* window_class, const std::wstring& text,
                         DWORD style, int id) {
    HWND control = CreateWindowExW(
        ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control == nullptr) throw std::runtime_error("Cannot create the panel's controls");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  // In tab order.
  lbVeredito =
      child(WS_EX_CLIENTEDGE, WC_EDITW, L"",
            WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, kBannerId);
  LetTabLeave(lbVeredito);
  chart_ = std::make_unique<FailureChartView>(hwnd_, kChartId, font_, dpi_);
  const auto combo = [&](const char* caption, int id) {
    labels_.push_back(child(0, WC_STATICW, Widen(caption), SS_LEFT | SS_CENTERIMAGE,
                            kLabelId + static_cast<int>(labels_.size())));
    return child(0, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id);
  };
  cbArquivo = combo("&Arquivo", kArquivoId);
  cbCampo = combo("Ca&mpo", kCampoId);
  cbVerificacao = combo("&Verificação", kVerificacaoId);
  labels_.push_back(child(0, WC_STATICW, L"A&pólice", SS_LEFT | SS_CENTERIMAGE,
                          kLabelId + static_cast<int>(labels_.size())));
  edApolice = child(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, kApoliceId);
  SendMessageW(edApolice, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(Widen(frontend::kPanelSearchHint).c_str()));
  // Alt with its "&" letter ticks it as a click does (FilterMessage).
  ckNovas =
      child(0, WC_BUTTONW, Widen(frontend::kPanelOnlyNew), WS_TABSTOP | BS_AUTOCHECKBOX, kNovasId);
  list_ = std::make_unique<FailureListView>(hwnd_, kListId, font_, dpi_);
  lbContagem = child(0, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kCountId);
  btnSalvar =
      child(0, WC_BUTTONW, Widen(frontend::kPanelSave), WS_TABSTOP | BS_PUSHBUTTON, kSaveId);
}

void FindingsPanel::Arrange() {
  if (btnSalvar == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const auto s = [this](int value) { return frontend::Scale(value, dpi_); };
  const int pad = s(8);
  const int width = client.right - 2 * pad;
  const int row_height = s(23);
  const int button_height = s(27);
  // Banner and chart take what the filters, a few rows of the list and the buttons leave.
  const int fixed = 5 * pad + row_height + s(120) + pad + button_height;
  splitter_.Limit(client.bottom - fixed);
  MoveWindow(lbVeredito, pad, pad, width, splitter_.height(0), TRUE);
  const int chart_top = pad + splitter_.height(0) + pad;
  splitter_.PlaceBar(0, pad + splitter_.height(0), chart_top);
  MoveWindow(chart_->hwnd(), pad, chart_top, width, splitter_.height(1), TRUE);
  const int row_top = chart_top + splitter_.height(1) + pad;
  splitter_.PlaceBar(1, chart_top + splitter_.height(1), row_top);
  int x = pad;
  const HWND boxes[] = {cbArquivo, cbCampo, cbVerificacao};
  const int captions[] = {s(48), s(40), s(62), s(46)};
  for (std::size_t i = 0; i < 3; ++i) {
    MoveWindow(labels_[i], x, row_top, captions[i], row_height, TRUE);
    x += captions[i];
    MoveWindow(boxes[i], x, row_top, s(170), s(300), TRUE);  // with its drop-down list
    x += s(170) + pad;
  }
  MoveWindow(labels_[3], x, row_top, captions[3], row_height, TRUE);
  x += captions[3];
  const int check_width = s(110);
  MoveWindow(edApolice, x, row_top, std::max<int>(s(60), client.right - 2 * pad - check_width - x),
             row_height, TRUE);
  MoveWindow(ckNovas, std::max<int>(x + s(60) + pad, client.right - pad - check_width), row_top,
             check_width, row_height, TRUE);
  const int list_top = row_top + row_height + pad;
  const int bottom_top = client.bottom - pad - button_height;
  MoveWindow(list_->hwnd(), pad, list_top, width, std::max(0, bottom_top - pad - list_top), TRUE);
  const int button_width = s(190);
  MoveWindow(lbContagem, pad, bottom_top, width - button_width - pad, button_height, TRUE);
  MoveWindow(btnSalvar, client.right - pad - button_width, bottom_top, button_width, button_height,
             TRUE);
}

void FindingsPanel::Show() {
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_);
  list_->FitColumns();
}

bool FindingsPanel::IsBusy() const {
  return loader_.reading() || (job_ != nullptr && ticket_ != shown_ticket_);
}

const std::vector<std::uint32_t>& FindingsPanel::ShownRows() const { return list_->rows(); }

RecordWindow* FindingsPanel::record_window() const {
  return record_ != nullptr && record_->hwnd() != nullptr ? record_.get() : nullptr;
}

bool FindingsPanel::FilterMessage(MSG& msg) {
  if (record_ != nullptr && record_->FilterMessage(msg)) return true;
  if (hwnd_ == nullptr || msg.hwnd == nullptr) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  if (IsStrayCharacter(msg)) return true;
  const CaptionOf captions[] = {{labels_[0], cbArquivo},
                                {labels_[1], cbCampo},
                                {labels_[2], cbVerificacao},
                                {labels_[3], edApolice},
                                {ckNovas, ckNovas}};
  if (HWND box = BoxOfCaptionLetter(msg, captions, std::size(captions))) {
    SetFocus(box);
    // The check box's own letter ticks it, as the dialog manager would.
    if (box == ckNovas) SendMessageW(ckNovas, BM_CLICK, 0, 0);
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

LRESULT FindingsPanel::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  bool moved = false;
  if (splitter_.Handle(hwnd_, message, wparam, lparam, &moved)) {
    if (moved) Arrange();
    return message == WM_SETCURSOR ? TRUE : 0;
  }
  switch (message) {
    case WM_SIZE:
      Arrange();
      list_->FitColumns();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {frontend::Scale(760, dpi_), frontend::Scale(520, dpi_)};
      return 0;
    }
    case WM_CLOSE:
      ShowWindow(hwnd_, SW_HIDE);  // the panel lives as long as the main window
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      if (id == IDCANCEL) ShowWindow(hwnd_, SW_HIDE);                                  // Esc
      if (id == IDOK && GetFocus() == list_->hwnd()) ShowRecord(list_->FocusedRow());  // Enter
      if (id == kSaveId && code == BN_CLICKED) SalvarClick();
      if ((id == kArquivoId || id == kCampoId || id == kVerificacaoId) && code == CBN_SELCHANGE) {
        FilterChanged();
      }
      if (id == kApoliceId && code == EN_CHANGE) FilterChanged();
      if (id == kNovasId && code == BN_CLICKED) FilterChanged();
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      LRESULT result = 0;
      if (list_->OnNotify(header, &result)) return result;
      if (header->idFrom == kListId && header->code == LVN_ITEMACTIVATE) {
        ShowRecord(reinterpret_cast<NMITEMACTIVATE*>(lparam)->iItem);
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
      // The verdict's colour behind white text, as the banner of the Qt panel.
      if (reinterpret_cast<HWND>(lparam) == lbVeredito && banner_coloured_) {
        auto dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        SetBkColor(dc, banner_colour_);
        return reinterpret_cast<LRESULT>(banner_brush_);
      }
      break;
    case kIndexReady:
      IndexReady();
      return 0;
    case kRowsReady:
      RowsReady();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void FindingsPanel::SetCount(const std::string& utf8) {
  SetWindowTextW(lbContagem, Widen(utf8).c_str());
}

void FindingsPanel::EnableFilters(bool enabled) {
  for (HWND control : {cbArquivo, cbCampo, cbVerificacao, edApolice, ckNovas, btnSalvar}) {
    EnableWindow(control, enabled ? TRUE : FALSE);
  }
}

void FindingsPanel::Unload() {
  loader_.Stop();
  record_when_loaded_.reset();
  record_.reset();
  job_.reset();  // no answer comes after this
  ticket_ = shown_ticket_ = 0;
  {
    const std::lock_guard lock(rows_mutex_);
    answered_.reset();
    answered_ticket_ = 0;
  }
  list_->SetList(nullptr, {});
  index_.reset();
  run_ = frontend::PanelRun{};
  chart_->SetTables({});
  filling_ = true;
  for (HWND box : {cbArquivo, cbCampo, cbVerificacao}) SendMessageW(box, CB_RESETCONTENT, 0, 0);
  boxes_.Reset();
  SetWindowTextW(edApolice, L"");
  SendMessageW(ckNovas, BM_SETCHECK, BST_UNCHECKED, 0);
  filling_ = false;
  EnableFilters(false);
  banner_coloured_ = false;
  SetWindowTextW(lbVeredito, Widen(frontend::kPanelRunning).c_str());
  SetCount({});
}

void FindingsPanel::Load(frontend::PanelRun run) {
  Unload();
  run_ = std::move(run);
  key_widths_ = frontend::DeclaredKeyWidths(run_.files);
  ShowVerdict();
  chart_->SetTables(frontend::ChartData(run_.result, kChartBars));
  if (run_.list_path.empty()) {
    SetCount(frontend::kPanelNoList);
    return;
  }
  SetCount(frontend::kPanelReading);
  HWND window = hwnd_;
  loader_.Start(run_.list_path, [window] { PostMessageW(window, kIndexReady, 0, 0); });
}

void FindingsPanel::ShowVerdict() {
  const frontend::VerdictBanner banner = frontend::BannerOf(run_.result, run_.error);
  std::string text = banner.title;
  for (const frontend::BannerList& list : frontend::BannerLists(banner)) {
    text += "\r\n" + list.heading + ":";
    for (const std::string& line : list.lines) text += "\r\n  \xE2\x80\xA2 " + line;
  }
  if (banner_brush_ != nullptr) DeleteObject(banner_brush_);
  banner_colour_ = FromRgb(banner.background);
  banner_brush_ = CreateSolidBrush(banner_colour_);
  banner_coloured_ = true;
  SetWindowTextW(lbVeredito, Widen(text).c_str());
}

void FindingsPanel::IndexReady() {
  std::optional<frontend::FailureIndexLoader::Outcome> outcome = loader_.Take();
  if (!outcome) return;  // a reading that was stopped since
  index_ = std::move(outcome->index);
  if (!index_) {
    SetCount(frontend::DecodeMessage(outcome->error));
    return;
  }
  list_->SetList(index_.get(), key_widths_);
  HWND window = hwnd_;
  job_ = std::make_unique<frontend::FilterJob>(
      index_->keys(), [this, window](std::uint64_t ticket, frontend::FilterAnswer answer) {
        {
          const std::lock_guard lock(rows_mutex_);
          answered_ = std::move(answer);
          answered_ticket_ = ticket;
        }
        PostMessageW(window, kRowsReady, 0, 0);
      });
  boxes_.Reset();
  EnableFilters(true);
  EnableWindow(edApolice, index_->HasApolice() ? TRUE : FALSE);
  // Only a list marked against an earlier run tells which failures are new.
  EnableWindow(ckNovas, index_->HasNova() ? TRUE : FALSE);
  FillChoices();
  ShowCount();
  if (const std::optional<int> row = std::exchange(record_when_loaded_, std::nullopt)) {
    ShowRecord(*row);
  }
}

void FindingsPanel::ShowRecordWhenLoaded(int row) {
  if (index_) {
    ShowRecord(row);
  } else {
    record_when_loaded_ = row;
  }
}

void FindingsPanel::FillChoices() {
  if (!index_) return;
  filling_ = true;
  const auto& boxes = boxes_.Refill(index_->keys());
  const HWND combos[] = {cbArquivo, cbCampo, cbVerificacao};
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    SendMessageW(combos[b], CB_RESETCONTENT, 0, 0);
    for (const frontend::FilterBoxes::Entry& entry : boxes[b].entries) {
      SendMessageW(combos[b], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry.text).c_str()));
    }
    SendMessageW(combos[b], CB_SETCURSEL, static_cast<WPARAM>(boxes[b].selected), 0);
  }
  filling_ = false;
}

void FindingsPanel::FilterChanged() {
  if (filling_ || !job_) return;
  const auto chosen = [](HWND box) {
    return static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
  };
  boxes_.Choose({chosen(cbArquivo), chosen(cbCampo), chosen(cbVerificacao)},
                Narrow(WindowText(edApolice)),
                SendMessageW(ckNovas, BM_GETCHECK, 0, 0) == BST_CHECKED);
  FillChoices();
  SetCount(frontend::kPanelFiltering);
  ticket_ = job_->Request(boxes_.filter());
}

void FindingsPanel::RowsReady() {
  std::optional<frontend::FilterAnswer> answer;
  {
    const std::lock_guard lock(rows_mutex_);
    if (answered_ticket_ != ticket_) return;  // a newer request is on its way
    answer.swap(answered_);
  }
  if (!answer) return;
  // A search's pass also counted the boxes' entries.
  if (!answer->searched_group_rows.empty()) {
    boxes_.Searched(boxes_.filter(), *answer);
    FillChoices();
  }
  list_->SetRows(std::move(answer->rows));
  shown_ticket_ = ticket_;
  ShowCount();
}

void FindingsPanel::ShowCount() {
  if (index_) SetCount(frontend::ShownCountText(list_->rows().size(), index_->RowCount()));
}

void FindingsPanel::ShowRecord(int row) {
  if (!index_ || row < 0 || static_cast<std::size_t>(row) >= list_->rows().size()) return;
  const std::uint32_t list_row = list_->rows()[static_cast<std::size_t>(row)];
  const frontend::RecordView view = frontend::RecordOfRow(*index_, list_row, run_.files);
  const std::string& path = frontend::RecordPathOfRow(*index_, list_row, run_.files);
  record_.reset();
  record_ = std::make_unique<RecordWindow>(hwnd_, view, FromPath(path), font_, dpi_);
}

void FindingsPanel::SalvarClick() {
  if (!index_) return;
  const frontend::SaveDialogSettings settings = frontend::FailureListDialog();
  std::wstring chosen;
  int filter = -1;
  if (!AskSaveFileName(hwnd_, settings, &chosen, &filter)) return;
  BoxSaveView view(hwnd_);
  frontend::SaveShownRows(view, settings, ToPath(chosen), filter, *index_, list_->rows(),
                          run_.ProtectedFiles());
}

}  // namespace winui
