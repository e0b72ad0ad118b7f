#include "book_sets/command_input.h"

#include "book_sets/work_area.h"
#include "checks/tables/table_preconditions.h"
#include "files/file_system.h"
#include "files/path_text.h"

namespace qoru::book_sets {

std::vector<std::string> RecordedWords(std::vector<std::string> words, const CommandInput& input) {
  if (!input.database.empty()) words.push_back("--db=" + input.database);
  if (!input.description.empty()) words.push_back("--gssm=" + input.description);
  if (!input.source.empty()) words.push_back("--source=" + input.source);
  for (std::string& w : words) w = PathText(w);
  return words;
}

InputProblem CheckInput(CommandInput& input, const char* command, std::string_view reader,
                        InputBookSet& book_set) {
  if (!input.database.empty()) {
    if (std::string why = CheckDatabase(input.database); !why.empty()) return {why, false};
    const bool given = !input.description.empty();
    if (!given) input.description = DescriptionBeside(input.database);
    if (std::string why =
            checks::DescriptionProblem(input.database, input.description, given, reader);
        !why.empty())
      return {why, true};
    book_set.database = input.database;
    book_set.description = input.description;
    book_set.name = PathText(input.database);
    return {};
  }
  if (std::string why = ScratchForSource(input.source, command, book_set.scratch); !why.empty())
    return {why, false};
  book_set.database = WorkDatabase(book_set.scratch->work());
  book_set.description = WorkDescription(book_set.scratch->work());
  book_set.name = PathText(input.source);
  return {};
}

std::string ReadInput(InputBookSet& book_set, const CommandInput& input, const Converter& convert,
                      RunRecord& record, bool recorded, bool partial) {
  if (!book_set.scratch) {
    if (recorded) record.AddDatabase(book_set.database, book_set.description);
    return {};
  }
  if (recorded) {
    record.AddSource(input.source);
    record.Start();
  }
  std::string why;
  if (convert(book_set.scratch->work(), input.source, &why, &book_set.stages)) return {};
  if (!partial || !IsRegularFile(book_set.database))
    return "无法转换账套 " + PathText(input.source) + "：" + why;
  book_set.failure = why;
  return {};
}

}  // namespace qoru::book_sets
