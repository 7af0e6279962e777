#include "image/KelCDImageCSO.h"

#include "platform/PathText.h"

KelCDImageCSO::KelCDImageCSO(std::shared_ptr<const ByteSource> file, const std::string& path)
    : image(std::make_shared<CsoByteSource>(std::move(file))),
      single(image->IsValid() ? image : nullptr, path) {
    const std::string name = platform::SplitAtLastSeparator(path).name;
    if (!image->IsValid()) {
        problem = name + " " + image->Problem();
        return;
    }
    if (!single.IsOpened()) {
        problem = name + " holds no disc image this reader knows";
        return;
    }
    imagePath = path;
    opened = true;
}
