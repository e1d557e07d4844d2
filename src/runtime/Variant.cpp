#include "runtime/Variant.h"

namespace zuvo {

VarType Variant::type() const {
  static constexpr VarType kinds[] = {
      VarType::Empty,   VarType::Null,     VarType::Integer,  VarType::Long,   VarType::Single,
      VarType::Double,  VarType::Currency, VarType::Date,     VarType::String, VarType::Boolean,
      VarType::Decimal, VarType::Byte,     VarType::ByteArray};
  return kinds[value_.index()];
}

bool Variant::isNumber() const {
  switch (type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Decimal:
    case VarType::Byte:
      return true;
    default:
      return false;
  }
}

}  // namespace zuvo
