// The netmask field of the LAN settings: when it receives the focus it
// offers the default mask of the address class of the IP field's address.
#pragma once

#include <optional>

#include "controls/core/dialog_surface_port.h"
#include "controls/core/dialog_types.h"
#include "controls/core/message_table.h"

namespace norvale {

// The class mask of an address by its first octet: 1-127 -> 255.0.0.0,
// 128-191 -> 255.255.0.0, 192-223 -> 255.255.255.0; nullopt for 0 and for
// the multicast and reserved range 224-255, which have no class mask.
std::optional<IpOctets> DefaultMaskForFirstOctet(int firstOctet);

// True for 255.0.0.0, 255.255.0.0 and 255.255.255.0.
bool IsClassMask(const IpOctets& mask);

class SubnetMaskField {
public:
    SubnetMaskField(int maskFieldId, int addressFieldId)
        : maskFieldId_(maskFieldId), addressFieldId_(addressFieldId) {}

    // Adds the focus entry (EN_SETFOCUS of the mask field) to a table. The
    // surface is looked up at focus time, so a controller binds in its
    // constructor: field.Bind(Messages(), [this]() -> DialogSurfacePort& { return Surface(); }).
    template <typename SurfaceGetter>
    void Bind(MessageTable& table, SurfaceGetter surface) {
        table.OnCommand(maskFieldId_, kEditSetFocus, [this, surface] { OnFocus(surface()); });
    }

    // Writes the class mask of the address into the mask field, unless the
    // address has no class mask or the field holds a mask the user chose
    // (anything but blank or a class mask) - that one is kept.
    void OnFocus(DialogSurfacePort& surface) const;

    int MaskFieldId() const { return maskFieldId_; }
    int AddressFieldId() const { return addressFieldId_; }

private:
    int maskFieldId_;
    int addressFieldId_;
};

}  // namespace norvale
