// Writes a synthetic 1 MiB ROM image that the tool takes for the enhanced
// localisation, for trying the tool without a real game ROM.
//
//   make-sample-rom FILE [simplified|traditional]

#include <exception>
#include <iostream>
#include <string_view>

#include "tools/rom_image.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: make-sample-rom FILE [simplified|traditional]\n";
    return 2;
  }
  qorvane::RomEdition edition = qorvane::RomEdition::Simplified;
  if (argc == 3) {
    const std::string_view name = argv[2];
    if (name == "traditional") {
      edition = qorvane::RomEdition::Traditional;
    } else if (name != "simplified") {
      std::cerr << "make-sample-rom: unknown edition '" << name << "'\n";
      return 2;
    }
  }
  try {
    qorvane::images::RomImageBuilder().Edition(edition).WriteTo(argv[1]);
  } catch (const std::exception& error) {
    std::cerr << "make-sample-rom: " << error.what() << '\n';
    return 1;
  }
  std::cout << argv[1] << '\n';
  return 0;
}
