#include "orvanel/core/TemplateValues.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

int32_t ReadTemplateInteger(const nlohmann::json& object, const char* key, int32_t fallback) {
  const auto member = object.find(key);
  if (member != object.end() && member->is_number_float()) {
    const double value = member->get<double>();
    if (!(value > -2147483649.0 && value < 2147483648.0))
      throw std::out_of_range(std::string("\"") + key + "\" is out of range");
  }
  return object.value(key, fallback);
}

float ReadTemplateNumber(const nlohmann::json& object, const char* key, double fallback) {
  const double value = object.value(key, fallback);
  // Checked before the narrowing, which has no value to give beyond the range.
  if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
    throw std::out_of_range(std::string("\"") + key + "\" is beyond the range of a 32-bit float");
  return static_cast<float>(value);
}

void TemplateWork::Add(int64_t times, int64_t amount) {
  if (times <= 0 || amount <= 0) return;
  constexpr int64_t kMost = std::numeric_limits<int64_t>::max();
  // amount × times > kMost − asked, without forming a product that may overflow.
  asked = amount > (kMost - asked) / times ? kMost : asked + times * amount;
}
