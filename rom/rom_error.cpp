#include "rom/rom_error.h"

#include <string>

namespace qorvane {
namespace {

struct RefusalCategory : std::error_category {
  const char* name() const noexcept override { return "qorvane-rom"; }
  std::string message(int value) const override {
    return "refusal " + std::to_string(value);  // worded by the front ends
  }
};

const RefusalCategory kRefusals;

}  // namespace

std::error_code make_error_code(RomRefusal refusal) {
  return {static_cast<int>(refusal), kRefusals};
}

bool RomError::refused() const { return code().category() == kRefusals; }

}  // namespace qorvane
