#pragma once
// The exported report: the log's lines as a text file.

#include <QString>
#include <string>
#include <vector>

namespace ui {

// Every line's bytes unchanged (Windows-1252), each followed by CR LF, the last too. No lines
// give no bytes.
std::string ExportBytes(const std::vector<std::string>& lines);

// Writes ExportBytes(lines) to `path`, replacing any file of that name. Returns an empty text on
// success, else the error message: "Cannot create file "PATH". REASON" when the file cannot be
// created (PATH the full path, REASON the system's text), and "Cannot write file "PATH". REASON"
// when writing fails afterwards (a full disk): a failed save is never reported as done.
QString WriteReport(const QString& path, const std::vector<std::string>& lines);

}  // namespace ui
