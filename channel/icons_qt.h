#pragma once

#include <QPixmap>
#include <QSize>
#include <array>

namespace varno {

// The roster's image list: 14 images of 28 x 14 pixels, index 1 to 14, drawn by the
// program. Index 0 is no image.
class RosterIcons {
public:
    static constexpr QSize kSize{28, 14};

    RosterIcons();

    // The image at index; a null pixmap for 0 and for any index outside 1..14.
    const QPixmap& at(int index) const;

private:
    std::array<QPixmap, 15> images_;
};

}  // namespace varno
