// Completes the chart of accounts KJKM: every account whose parent (its code without
// the last two characters) is missing gets that parent, named "系统生成", with the
// child's balance direction. Passes run from the longest code length down by two;
// each leaves its scratch table tmp<N> in the database. Progress: 4 parts.
#pragma once

#include <string>

namespace qoru {
class StageHost;
}

namespace qoru::db {

class StatementRunner;

// The statement that collects the missing parents of the codes of length n into tmp<n>.
std::string ParentAccountStatement(int n);
// The statement that appends tmp<n> to the chart.
std::string InsertParentsStatement(int n);
// The statement that reads the longest code length of the chart table.
std::string LongestCodeStatement(const std::string& chart_table);

// Raises QueryClosedError when the length query could not be opened.
void CompleteChartOfAccounts(StatementRunner& runner, StageHost& host,
                             const std::string& accounts_file);

}  // namespace qoru::db
