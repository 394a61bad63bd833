// oralis: scripted access to the engines. Arguments and output are UTF-8; the engines work in
// the Windows code page. Exit status 0 on success, 1 on bad input, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "diphone/orregras.h"
#include "numbers/orlenum.h"
#include "platform/codepage.h"

namespace {

using Args = std::vector<std::string>;  // in the Windows code page

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args& args);
};

void PrintLine(const std::string& ansi) { std::printf("%s\n", platform::AnsiToUtf8(ansi).c_str()); }

int Usage();

int Words(const Args& args) {
  if (args.size() != 1) return Usage();
  const std::string& n = args[0];
  const bool digits = !n.empty() && n.size() <= 10 && n.find_first_not_of("0123456789") == n.npos;
  if (!digits || std::stoll(n) > 2147483647) {
    std::fprintf(stderr, "oralis: words: not a whole number from 0 to 2147483647: %s\n",
                 platform::AnsiToUtf8(n).c_str());
    return 1;
  }
  PrintLine(NumberToWords(static_cast<std::int32_t>(std::stoll(n))));
  return 0;
}

// The rule files come from ORALIS_LETTERS_RULES_DIR (a host folder) until the voice data has
// files of its own.
int Phonetic(const Args& args) {
  if (args.empty()) return Usage();
  const char* dir = std::getenv("ORALIS_LETTERS_RULES_DIR");
  if (!dir || !*dir) {
    std::fprintf(stderr, "oralis: phonetic: ORALIS_LETTERS_RULES_DIR must name the folder of "
                         "regras.rgr and portug.exc\n");
    return 1;
  }
  const std::string rules = std::string(dir) + "/regras.rgr";
  const std::string exceptions = std::string(dir) + "/portug.exc";
  const auto cannotRead = [](const std::string& file) {
    std::fprintf(stderr, "oralis: phonetic: cannot read %s\n", file.c_str());
    return 1;
  };
  if (!LoadLetterRules(rules)) return cannotRead(rules);
  if (!LoadWordExceptions(exceptions)) return cannotRead(exceptions);
  std::string text = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) text += " " + args[i];
  PrintLine(TranslateToPhonetic(text));
  FreeLetterRules();
  return 0;
}

// Each engine adds its subcommand here as it arrives.
const Command commands[] = {
    {"words", "N", Words},
    {"phonetic", "TEXT", Phonetic},
    {nullptr, nullptr, nullptr},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& c : commands)
    if (c.name) std::fprintf(stderr, "  oralis %s %s\n", c.name, c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Args args;
  for (int i = 2; i < argc; ++i) args.push_back(platform::Utf8ToAnsi(argv[i]));
  for (const Command& c : commands)
    if (c.name && std::strcmp(c.name, argv[1]) == 0) return c.run(args);
  std::fprintf(stderr, "oralis: unknown command '%s'\n", argv[1]);
  return Usage();
}
