// What a run over a converted database (check; screen and sample for the description)
// makes sure of before it reads the tables, so that a mistake of the user's is a usage
// error that says what to do rather than a check quietly skipped: the format description
// is where it is looked for (else where it looked, and --gssm), and every --column names a
// column that its table has (else the table's columns).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/tables/column_roles.h"

namespace qoru::checks {

// Why the description `description` of `database` cannot serve; empty when it can.
// `given`: the user named it with --gssm. `reader` names what reads the tables by it
// ("检查" for check, "测试" for screen).
std::string DescriptionProblem(const std::string& database, const std::string& description,
                               bool given, std::string_view reader = "检查");

// The first --column among `overrides` that names a column its table lacks, as one
// line quoting the option and listing the table's columns; empty when all are there.
std::string ColumnProblem(const std::string& database, const std::string& description,
                          const std::vector<std::string>& texts,
                          const std::vector<ColumnOverride>& overrides);

}  // namespace qoru::checks
