#include <iostream>

#include "app/driver.h"

int main(int argc, char** argv) {
  // Warnings can run to many thousands of lines; unsynchronised streams
  // keep them buffered.
  std::ios::sync_with_stdio(false);
  return runCludemap(argc, argv, std::cout, std::cerr);
}
