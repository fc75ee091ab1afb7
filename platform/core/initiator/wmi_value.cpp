#include "platform/core/initiator/wmi_port.h"

#include <utility>

namespace norvale {
namespace {

// Variant type numbers of the platform.
constexpr std::uint16_t kVtNull = 1;
constexpr std::uint16_t kVtI4 = 3;
constexpr std::uint16_t kVtBstr = 8;
constexpr std::uint16_t kVtBool = 11;
constexpr std::uint16_t kVtUnknown = 13;
constexpr std::uint16_t kVtUi4 = 19;
constexpr std::uint16_t kVtArray = 0x2000;

}  // namespace

WmiValue WmiValue::String(std::wstring text) {
    WmiValue value;
    value.type = Type::String;
    value.text = std::move(text);
    return value;
}

WmiValue WmiValue::Bool(bool flag) {
    WmiValue value;
    value.type = Type::Bool;
    value.flag = flag;
    return value;
}

WmiValue WmiValue::Int32(std::int32_t number) {
    WmiValue value;
    value.type = Type::Int32;
    value.int32 = number;
    return value;
}

WmiValue WmiValue::UInt32(std::uint32_t number) {
    WmiValue value;
    value.type = Type::UInt32;
    value.uint32 = number;
    return value;
}

WmiValue WmiValue::Objects(std::vector<std::unique_ptr<WmiObject>> objects) {
    WmiValue value;
    value.type = Type::ObjectArray;
    value.objects = std::move(objects);
    return value;
}

WmiValue WmiValue::OtherType(std::uint16_t variantType) {
    WmiValue value;
    value.type = Type::Other;
    value.otherType = variantType;
    return value;
}

std::uint16_t VariantTypeNumber(const WmiValue& value) {
    switch (value.type) {
    case WmiValue::Type::Null: return kVtNull;
    case WmiValue::Type::String: return kVtBstr;
    case WmiValue::Type::Bool: return kVtBool;
    case WmiValue::Type::Int32: return kVtI4;
    case WmiValue::Type::UInt32: return kVtUi4;
    case WmiValue::Type::ObjectArray: return kVtArray | kVtUnknown;
    case WmiValue::Type::Other: return value.otherType;
    }
    return value.otherType;
}

}  // namespace norvale
