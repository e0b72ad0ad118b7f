#include "qoru_gbtxt/cli_chinese.h"

#include <algorithm>
#include <memory>

#include "text/display_width.h"

namespace qoru::host {
namespace {

constexpr std::size_t kNameColumns = 24;  // the left column: option names
constexpr std::size_t kLineColumns = 80;  // help lines wrap before this

// "  name" padded to the left column, then the description wrapped beside it.
std::string HelpEntry(const std::string& name, const std::string& description) {
  std::string out = "  " + name;
  std::size_t used = 2 + DisplayColumns(name);
  const std::vector<std::string> lines = WrapColumns(description, kLineColumns - kNameColumns);
  if (used >= kNameColumns && !lines.empty()) {
    out += "\n";
    used = 0;
  }
  for (std::size_t k = 0; k < lines.size(); ++k) {
    out.append(kNameColumns - (k == 0 ? used : 0), ' ');
    out += lines[k] + "\n";
  }
  if (lines.empty()) out += "\n";
  return out;
}

class ChineseFormatter : public CLI::Formatter {
 public:
  ChineseFormatter() {
    label("Usage", "用法");
    label("OPTIONS", "选项");
    label("SUBCOMMAND", "子命令");
    label("SUBCOMMANDS", "子命令");
    label("Positionals", "位置参数");
    label("TEXT", "文本");
    label("INT", "整数");
    label("UINT", "整数");
    label("FLOAT", "数");
  }

  std::string make_option(const CLI::Option* opt, bool is_positional) const override {
    return HelpEntry(make_option_name(opt, is_positional) + make_option_opts(opt),
                     make_option_desc(opt));
  }

  // The value's kind in Chinese (a validator's words after ":" left out), whether it
  // is required, and its default.
  std::string make_option_opts(const CLI::Option* opt) const override {
    if (opt->get_type_size() == 0) return {};
    const std::string type = opt->get_type_name();
    std::string text = " " + get_label(type.substr(0, type.find(':')));
    if (opt->get_required()) text += "（必需）";
    const std::string fallback = opt->get_default_str();
    if (!fallback.empty() && !opt->get_required()) text += "（默认 " + fallback + "）";
    return text;
  }

  std::string make_subcommand(const CLI::App* sub) const override {
    return HelpEntry(sub->get_display_name(), sub->get_description());
  }

  std::string make_description(const CLI::App* app) const override {
    std::string out;
    for (const std::string& line : WrapColumns(app->get_description(), kLineColumns))
      out += line + "\n";
    return out;
  }

  std::string make_footer(const CLI::App* app) const override {
    std::string out;
    for (const std::string& line : WrapColumns(app->get_footer(), kLineColumns)) out += line + "\n";
    return out;
  }
};

// The text after "<prefix>" in a parser message, trimmed of blanks.
std::string After(const std::string& text, const std::string& prefix) {
  const std::size_t at = text.find(prefix);
  if (at == std::string::npos) return {};
  std::string rest = text.substr(at + prefix.size());
  while (!rest.empty() && rest.front() == ' ') rest.erase(rest.begin());
  return rest;
}

// The first word of a parser message: the option it is about, e.g. "--source".
std::string FirstWord(const std::string& text) {
  const std::size_t end = text.find_first_of(": ");
  return text.substr(0, end);
}

// Edits between two words (insertions, deletions, substitutions, swaps of neighbours).
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : "、") + w;
  return out;
}

// "未知的<kind> WORD，是否要用 NEAREST？", or the list of the known ones.
std::string UnknownWord(const std::string& kind, const std::string& word,
                        const std::vector<std::string>& known, const std::string& known_label) {
  const std::string nearest = NearestWord(word, known);
  if (!nearest.empty()) return "未知的" + kind + " " + word + "，是否要用 " + nearest + "？";
  return "未知的" + kind + " " + word + "（" + known_label + "：" + JoinWords(known) + "）。";
}

}  // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& known) {
  std::string best;
  std::size_t best_distance = std::max<std::size_t>(2, word.size() / 3) + 1;
  for (const std::string& k : known) {
    std::size_t d = EditDistance(word, k);
    // A word cut short ("--sour") is as near as a typo.
    if (k.size() > word.size() && k.compare(0, word.size(), word) == 0 && word.size() >= 4)
      d = std::min<std::size_t>(d, 1);
    if (d < best_distance) {
      best_distance = d;
      best = k;
    }
  }
  return best;
}

namespace {

// Options of one subcommand that a user of another types for its own: the option of
// that other one which does the same.
struct Counterpart {
  const char* command;
  const char* typed;
  const char* meant;
};
constexpr Counterpart kCounterparts[] = {
    {"screen", "--max-findings", "--max-listed"},
    {"check", "--max-listed", "--max-findings"},
};

// The subcommands other than `command` that have the option `name`, joined by "、";
// empty when none has it.
std::string OwnersOf(const CLI::App& app, const CLI::App* command, const std::string& name) {
  std::string owners;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (sub == command) continue;
    bool has = false;
    for (const CLI::Option* option : sub->get_options())
      for (const std::string& long_name : option->get_lnames())
        has = has || "--" + long_name == name;
    if (has) owners += (owners.empty() ? "" : "、") + sub->get_name();
  }
  return owners;
}

}  // namespace

std::string CheckOptionWords(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* command = nullptr;
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (command == nullptr) {
      if (!arg.empty() && arg[0] != '-') {
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
          if (sub->get_name() == arg) command = sub;
        if (command == nullptr) return {};
      }
      continue;
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) continue;
    const std::string name = arg.substr(0, arg.find('='));
    std::vector<std::string> known;
    for (const CLI::Option* option : command->get_options())
      for (const std::string& long_name : option->get_lnames()) known.push_back("--" + long_name);
    if (std::find(known.begin(), known.end(), name) != known.end()) continue;
    const std::string owners = OwnersOf(app, command, name);
    const std::string whose = owners.empty() ? "" : "（它是 " + owners + " 的选项）";
    for (const Counterpart& c : kCounterparts)
      if (command->get_name() == c.command && name == c.typed)
        return "未知的选项 " + name + whose + "，是否要用 " + c.meant + "？";
    if (!owners.empty() && NearestWord(name, known).empty())
      return "未知的选项 " + name + whose + "：" + command->get_name() + " 没有这个选项（" +
             command->get_name() + " 的选项：" + JoinWords(known) + "）。";
    return UnknownWord("选项", name, known, command->get_name() + " 的选项");
  }
  return {};
}

void UseChinese(CLI::App& app) {
  app.formatter(std::make_shared<ChineseFormatter>());
  app.option_defaults()->group("选项");
  app.set_help_flag("-h,--help", "显示帮助并退出");
}

std::string CheckTopLevelWord(const std::vector<std::string>& args,
                              const std::vector<std::string>& subcommands) {
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help" || arg == "--version") return {};
    if (!arg.empty() && arg[0] == '-')
      return "未知的选项 " + arg + "（子命令之前只能用 --help 或 --version）";
    if (std::find(subcommands.begin(), subcommands.end(), arg) != subcommands.end()) return {};
    return UnknownWord("子命令", arg, subcommands, "可用的子命令");
  }
  return {};
}

std::string ArgumentErrorText(const CLI::ParseError& error) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (what.rfind("A subcommand", 0) == 0) return "缺少子命令：请给出要做的事，例如 convert";
    const std::string option = FirstWord(what);
    return "缺少必需的选项 " + option;
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::string words = After(what, "expected:");
    if (!words.empty() && words[0] == '-') return "未知的选项 " + words;
    return "多余的参数：" + words;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    if (what.find("missing") != std::string::npos) return "选项 " + FirstWord(what) + " 缺少值";
    return "选项 " + FirstWord(what) + " 的值的个数不对";
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr)
    return "选项 " + FirstWord(what) + " 和 " + After(what, "excludes") + " 不能同时使用";
  if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr)
    return "选项 " + FirstWord(what) + " 需要与 " + After(what, "requires") + " 一起使用";
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr &&
      what.rfind("Could not convert:", 0) == 0) {
    // "Could not convert: --max-findings = x"
    const std::string rest = After(what, "Could not convert:");
    const std::size_t equals = rest.find(" = ");
    return "选项 " + rest.substr(0, equals) + " 的值无效" +
           (equals == std::string::npos ? "" : "：" + rest.substr(equals + 3));
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr ||
      dynamic_cast<const CLI::ValidationError*>(&error) != nullptr)
    return "选项 " + FirstWord(what) + " 的值无效";
  return "参数错误（" + what + "）";
}

}  // namespace qoru::host
