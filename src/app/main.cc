#include <cstdlib>
#include <iostream>

#include "app/driver.h"

int main(int argc, char** argv) {
  // Warnings can run to many thousands of lines; unsynchronised streams
  // keep them buffered.
  std::ios::sync_with_stdio(false);
  const int status = runCludemap(argc, argv, std::cout, std::cerr);
  std::cout.flush();
  // Without exit handlers and destructors: the run leaves its memory to the
  // process exit (driver.h), so a leak checker would have nothing to add.
  std::_Exit(status);
}
