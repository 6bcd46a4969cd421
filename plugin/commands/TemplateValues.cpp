#include "orvanel/commands/TemplateValues.h"

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
  return static_cast<float>(object.value(key, fallback));
}
