// A small program on the console: it writes, scrolls past the last row, reads a line and ends.
#include <iostream>
#include <string>

#include "console/OrCrt.h"

int main() {
  for (int line = 1; line <= 30; ++line) std::cout << "Linha " << line << '\n';
  SetForeground(14);
  std::cout << "Nome: ";
  std::string name;
  std::getline(std::cin, name);
  std::cout << "Ol\xE1, " << name << "!\a";
  PauseMs(1500);
  CloseConsole();
}
