// korvel4-script [FILE]: the headless runner (contract: the runner's format page).
#include <fstream>
#include <iostream>

#include "tools/script/runner.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: korvel4-script [FILE]\n";
    return 2;
  }
  std::ios::sync_with_stdio(false);
  korvel::RunnerOptions opts;
  if (argc == 2) {
    std::ifstream in(argv[1]);
    if (!in) {
      std::cerr << "korvel4-script: cannot read " << argv[1] << "\n";
      return 2;
    }
    return korvel::RunScript(in, std::cout, std::cerr, opts);
  }
  return korvel::RunScript(std::cin, std::cout, std::cerr, opts);
}
