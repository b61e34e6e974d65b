#pragma once
// Everything a validation run needs from its surroundings. The window implements it with
// widgets and message boxes, the runner with standard output and standard error, the tests with
// plain vectors and a fixed clock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/regional.h"
#include "platform/clock.h"

namespace engine {

// Where the date of an invalid-date notice stands.
struct DatePlace {
  std::string_view file;     // the input's path as typed
  std::uint32_t record = 0;  // physical record number, from 1, deleted records counted
  std::string_view field;    // the field's name
};

// "Arquivo: <file>, registro <n>, campo <field>": the place as the window's box and the runner's
// line tell it (the file as typed, the field's name as stored).
inline std::string DatePlaceText(const DatePlace& place) {
  std::string text = "Arquivo: ";
  text.append(place.file);
  text += ", registro " + std::to_string(place.record) + ", campo ";
  text.append(place.field);
  return text;
}

class RunHost {
 public:
  virtual ~RunHost() = default;

  // The report. Lines are Windows-1252 bytes without line breaks.
  virtual void ClearLog() = 0;
  virtual void AppendLine(std::string_view line) = 0;
  // Replaces line `index` (from 0); the run only ever replaces line 2, which it wrote itself.
  virtual void ReplaceLine(std::size_t index, std::string_view line) = 0;

  // Progress position 0..100.
  virtual void SetProgress(int position) = 0;
  // How far a walk over an input file has come, for a progress line: `phase` names the walk
  // (Windows-1252), `done` of `total` bytes of the file walked (`total` 0: the share is not
  // known). Told when a walk starts, every few thousand records and when it ends; a host that
  // shows no such line ignores it.
  virtual void WalkProgress(std::string_view /*phase*/, std::uint64_t /*done*/,
                            std::uint64_t /*total*/) {}

  // The invalid-date notice; `message` is "Data Inválida : " followed by the text (Windows-1252).
  // The window shows a modal box and returns when it is closed; the runner writes a line.
  virtual void ShowInvalidDate(std::string_view message) = 0;
  // The same notice with where the date stands; a host that has no use for the place shows the
  // notice alone.
  virtual void ShowInvalidDateAt(std::string_view message, const DatePlace& /*place*/) {
    ShowInvalidDate(message);
  }

  virtual const Regional& regional() const = 0;
  virtual platform::LocalDateTime Now() = 0;
  // The catalogue folder, ending with the path separator: where tabelas.dbf, anexos.dbf and
  // DadosKov.DBF are read and the temporary index is made first. The program's own folder unless
  // the user chose another (--catalogo, or the window's "Pasta do catálogo e do DadosKov...").
  virtual std::string CatalogueFolder() = 0;
  // The two path texts exactly as typed.
  virtual std::string RiskPath() = 0;
  virtual std::string ClaimsPath() = 0;

  // True: a catalogue already in the run's tables (loaded whole by an earlier run over the same
  // catalogue and regional settings) is used again with its counters zeroed, instead of reading
  // the catalogue files again. Only for a host that runs one catalogue many times over (the
  // whole-run fuzz target). The default reads the catalogue every run.
  virtual bool KeepsCatalog() const { return false; }
};

}  // namespace engine
