#pragma once
// The exported report: the log's lines as a text file.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace frontend {

// Every line's bytes unchanged (Windows-1252), each followed by CR LF, the last too. No lines
// give no bytes.
std::string ExportBytes(const std::vector<std::string>& lines);

// Writes `bytes` to `path`, replacing any file of that name. Returns an empty text on success,
// else the error message (UTF-8): "Cannot create file "PATH". REASON" when the file cannot be
// created (PATH the full path, REASON the system's text), and "Cannot write file "PATH". REASON"
// when writing fails afterwards (a full disk): a failed save is never reported as done.
std::string WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Writes to `path` the bytes that `produce` hands to `put`, in pieces, with the messages of
// WriteFileBytes. `put` answers false once a write failed; `produce` answers false when it could
// not give all its bytes (a failed read), which is reported as a failed write.
using ByteSink = std::function<bool(std::string_view bytes)>;
std::string WriteFileWith(const std::filesystem::path& path,
                          const std::function<bool(const ByteSink& put)>& produce);

// The same for a writer that writes a whole file by name (the workbook): `produce` writes it at
// the path it is given (a temporary file beside `path`, put in place when `produce` answers
// true) and answers whether it succeeded.
std::string WriteFileNamed(const std::filesystem::path& path,
                           const std::function<bool(const std::string& temp_path)>& produce);

// WriteFileBytes(path, ExportBytes(lines)).
std::string WriteReport(const std::filesystem::path& path, const std::vector<std::string>& lines);

// The full path as UTF-8, for messages.
std::string FullPathText(const std::filesystem::path& path);

}  // namespace frontend
