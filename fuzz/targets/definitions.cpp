// The definition loader over one file's bytes: plain text, or coded text behind a "{<C:n>}" first line.
#include <memory>

#include "core/Elements.h"
#include "core/ElementsLoader.h"
#include "core/TextCoder.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto* reader = new CTextFileReader(nullptr, reinterpret_cast<const char*>(data), static_cast<int>(size));
    std::unique_ptr<CMElements> elements(CMElementsLoader::load(nullptr, reader));
    if (!elements) return 0;
    // What the object factories read of each property.
    for (int i = 0; i < elements->getSize(); ++i) {
        CMElement* element = elements->getAt(i);
        CMProperties* properties = element ? element->getProperties() : nullptr;
        for (int p = 0; properties && p < properties->getSize(); ++p) {
            CMProperty* property = properties->getAt(p);
            property->getIntValue();
            property->getDoubleValue();
            property->getPointValue();
            CXString::releaseToVector(property->getListValue());
        }
    }
    return 0;
}
