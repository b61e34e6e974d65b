#include "ui/message_text.h"

#include <QFile>
#include <QStringDecoder>

#include "engine/report.h"
#include "engine/text.h"

namespace ui {

QString DisplayLine(std::string_view line) {
  QString text = QString::fromStdString(engine::Win1252ToUtf8(line));
  for (QChar& c : text) {
    if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
      c = u' ';
    }
  }
  return text;
}

QString DecodeMessage(std::string_view message) {
  bool ascii = true;
  for (char c : message) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  }
  if (!ascii) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded =
        utf8.decode(QByteArrayView(message.data(), static_cast<qsizetype>(message.size())));
    if (!utf8.hasError()) return decoded;
  }
  return QString::fromStdString(engine::Win1252ToUtf8(message));
}

QString ErrorBoxMessage(std::string_view message) {
  return DecodeMessage(engine::ErrorBoxText(message));
}

std::string ToAnsi(const QString& text) { return engine::Utf8ToWin1252(text.toStdString()); }

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromNativePath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace ui
