// oralis: scripted access to the engines. Arguments and output are UTF-8; the engines work in
// the Windows code page. Exit status 0 on success, 1 on bad input, 2 on bad usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

using Args = std::vector<std::string>;  // in the Windows code page

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args& args);
};

// Each engine adds its subcommand here as it arrives.
const Command commands[] = {
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
