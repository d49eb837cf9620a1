#include "res/resources.h"

#include <string>

#include "res/embedded_pictures.h"

std::span<const unsigned char> FindResource(ResourceKind kind, int id, int size)
{
    const std::string number = std::to_string(id);
    switch (kind) {
    case ResourceKind::Png:
        return FindEmbeddedPicture("png/" + number + ".png");
    case ResourceKind::Bitmap:
        return FindEmbeddedPicture("bmp/" + number + ".png");
    case ResourceKind::Icon:
        if (id != kAppIconId || size <= 0)
            return {};
        return FindEmbeddedPicture("icon/" + number + "-" + std::to_string(size) + ".png");
    }
    return {};
}
