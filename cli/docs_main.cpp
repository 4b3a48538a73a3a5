// zelvaro-check-docs: writes what the build makes from zelvaro-check's table
// of options, in the language of the messages' catalog (LANGUAGE=ja for the
// Japanese manual page):
//   zelvaro-check-docs man VERSION DATE FILE    the manual page (roff)
//   zelvaro-check-docs bash FILE                the bash completion
#include "cli/messages.h"
#include "cli/options.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

int main(int argc, char **argv) {
  using namespace zelvaro::cli;
  init_messages();
  const std::string_view what = argc > 1 ? argv[1] : "";
  std::string text;
  const char *path = nullptr;
  if (what == "man" && argc == 5) {
    text = manual_page(argv[2], argv[3]);
    path = argv[4];
  } else if (what == "bash" && argc == 3) {
    text = bash_completion();
    path = argv[2];
  } else {
    std::cerr << "usage: zelvaro-check-docs man VERSION DATE FILE | bash FILE\n";
    return 2;
  }
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::perror(path);
    return 1;
  }
  return 0;
}
