#pragma once
// The decoded values of one station answer: lower-cased CP1251 parameter name -> value.
#include <map>
#include <string>

using ValueMap = std::map<std::string, float>;
