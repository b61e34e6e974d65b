#include "frontend/history_job.h"

#include <algorithm>
#include <exception>
#include <set>

#include "engine/text.h"

namespace frontend {

std::vector<history::StoredRun> ReadRuns(history::HistoryDb& db, std::string_view empresa) {
  const std::string_view code = engine::Trimmed(empresa);
  if (!code.empty()) return db.ListRuns(code);
  std::vector<history::StoredRun> runs = db.AllRuns();
  std::reverse(runs.begin(), runs.end());
  return runs;
}

std::int64_t DeleteRuns(history::HistoryDb& db, std::string_view empresa) {
  const std::string_view code = engine::Trimmed(empresa);
  if (!code.empty()) return db.DeleteCompany(code);
  std::set<std::string> companies;
  for (const history::StoredRun& run : db.AllRuns()) companies.insert(run.record.empresa);
  std::int64_t deleted = 0;
  for (const std::string& company : companies) deleted += db.DeleteCompany(company);
  return deleted;
}

HistoryJob::HistoryJob(std::string path, Kind kind, std::string empresa,
                       std::function<void()> done) {
  outcome_.kind = kind;
  outcome_.empresa = std::move(empresa);
  thread_ = std::thread([this, path = std::move(path), done = std::move(done)] {
    try {
      history::HistoryDb db = history::HistoryDb::Open(path);
      if (outcome_.kind == Kind::kRead) {
        outcome_.runs = ReadRuns(db, outcome_.empresa);
      } else {
        outcome_.deleted = DeleteRuns(db, outcome_.empresa);
      }
    } catch (const std::exception& e) {
      outcome_.error = e.what();
    }
    finished_.store(true);
    done();
  });
}

HistoryJob::~HistoryJob() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace frontend
