#include "controls/core/subnet_mask_field.h"

namespace norvale {

std::optional<IpOctets> DefaultMaskForFirstOctet(int firstOctet) {
    if (firstOctet >= 1 && firstOctet <= 127) return IpOctets{255, 0, 0, 0};
    if (firstOctet >= 128 && firstOctet <= 191) return IpOctets{255, 255, 0, 0};
    if (firstOctet >= 192 && firstOctet <= 223) return IpOctets{255, 255, 255, 0};
    return std::nullopt;
}

bool IsClassMask(const IpOctets& mask) {
    return mask == IpOctets{255, 0, 0, 0} || mask == IpOctets{255, 255, 0, 0} ||
           mask == IpOctets{255, 255, 255, 0};
}

void SubnetMaskField::OnFocus(DialogSurfacePort& surface) const {
    const std::optional<IpOctets> mask =
        DefaultMaskForFirstOctet(surface.IpAddress(addressFieldId_)[0]);
    if (!mask) return;
    // Each focus visit would otherwise overwrite a mask the user or the
    // device gave (255.255.255.128, say) with the class default.
    const bool userMask =
        !surface.IsIpBlank(maskFieldId_) && !IsClassMask(surface.IpAddress(maskFieldId_));
    if (userMask) return;
    if (!surface.IsIpBlank(maskFieldId_) && surface.IpAddress(maskFieldId_) == *mask) return;
    surface.SetIpAddress(maskFieldId_, *mask);
}

}  // namespace norvale
