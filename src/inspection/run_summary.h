// What a conversion did, for the user after `convert`: the tables of GBA.mdb with their
// rows, the parent accounts that the chart completion added per level, the auxiliary
// cells filled per type, the rows of aidInfo, aidVour and aidBal, the statements the
// engine rejected with its messages, and the time of each stage. The statements and
// stages come from the library's trace hook during the run; the counts are read from
// the database afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qoru::inspection {

class RunSummary {
 public:
  // During the run (UTF-8 texts).
  void AddRejected(std::string statement, std::string message);
  void AddStage(std::string name, double seconds);
  // Before the run: how the source is read ("UTF-8（...）").
  void SetEncoding(std::string described) { encoding_ = std::move(described); }

  // After the run: the result text ("0" or the path), the reason of a failure, and the
  // counts read from WorkDir + "TemplateTemp/GBA.mdb" when it exists.
  void Finish(const std::string& work, std::string result, std::string reason);

  std::string Text() const;
  nlohmann::ordered_json Json() const;

  struct Count {
    std::string name;
    std::int64_t rows = 0;
  };
  struct AuxCells {
    std::string type;
    std::int64_t vouchers = -1;  // filled cells in JZPZ; -1: no such column
    std::int64_t balances = -1;  // in KMYE
  };
  struct Rejected {
    std::string statement;
    std::string message;
  };
  struct Stage {
    std::string name;
    double seconds = 0;
  };

  const std::vector<Count>& tables() const { return tables_; }
  const std::vector<Count>& parents_added() const { return parents_added_; }
  const std::vector<AuxCells>& aux_cells() const { return aux_cells_; }

 private:
  std::string result_;
  std::string reason_;
  std::string encoding_;
  bool database_found_ = false;
  std::vector<Count> tables_;         // every table, by name
  std::vector<Count> parents_added_;  // "6" -> parents of 6 characters added
  std::vector<AuxCells> aux_cells_;
  std::vector<Rejected> rejected_;
  std::vector<Stage> stages_;
};

}  // namespace qoru::inspection
