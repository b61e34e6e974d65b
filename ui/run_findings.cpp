#include "ui/run_findings.h"

#include <QDir>
#include <QFile>

namespace ui {

RunFindings::RunFindings()
    : temp_(QDir::tempPath() + QStringLiteral("/talmero-falhas-XXXXXX.csv")) {
  if (!temp_.open()) return;
  const QString name = temp_.fileName();
  temp_.close();  // kept on disk until this object goes; written through the stream below
  out_.open(QFile::encodeName(name).toStdString(), std::ios::binary | std::ios::trunc);
  if (!out_) return;
  writer_ = std::make_unique<engine::FindingsCsv>(out_);
}

RunFindings::~RunFindings() = default;

bool RunFindings::Finish() {
  if (!writer_) return false;
  const bool written = writer_->Finish();
  out_.close();
  ready_ = written && !out_.fail();
  return ready_;
}

QString RunFindings::SaveAs(const QString& path) const {
  const QString reason = QStringLiteral("Cannot create file \"%1\". %2");
  if (!ready_) return reason.arg(path, QStringLiteral("No failure list"));
  QFile::remove(path);
  QFile source(temp_.fileName());
  if (!source.copy(path)) return reason.arg(path, source.errorString());
  return {};
}

}  // namespace ui
