#include "ui/report_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ui {

std::string ExportBytes(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

QString WriteReport(const QString& path, const std::vector<std::string>& lines) {
  const QString full_path = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(full_path, file.errorString());
  }
  const std::string bytes = ExportBytes(lines);
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size || !file.flush()) {
    QString reason = file.errorString();
    file.close();
    return QStringLiteral("Cannot write file \"%1\". %2").arg(full_path, reason);
  }
  file.close();
  if (file.error() != QFileDevice::NoError) {
    return QStringLiteral("Cannot write file \"%1\". %2").arg(full_path, file.errorString());
  }
  return {};
}

}  // namespace ui
