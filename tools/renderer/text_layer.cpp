#include "text_layer.h"

#include "to_unicode_cmap.h"

#include <qpdf/Buffer.hh>

#include <memory>
#include <set>

std::size_t RestoreBaseLettersInFonts(QPDF& pdf)
{
    std::size_t changed = 0;
    std::set<QPDFObjGen> seen;  // fonts of several pieces may share a table
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (!object.isDictionary() || !object.getKey("/Type").isNameAndEquals("/Font")) continue;
        QPDFObjectHandle table = object.getKey("/ToUnicode");
        if (!table.isStream() || !seen.insert(table.getObjGen()).second) continue;
        // A table that can't be read stays as it was: the page is right
        // without it, and the book must not fail for its text layer.
        try {
            const std::shared_ptr<Buffer> data = table.getStreamData(qpdf_dl_generalized);
            const ToUnicodeRewrite rewrite = RestoreBaseLetters(
                std::string_view(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
            if (rewrite.changed == 0) continue;
            table.replaceStreamData(rewrite.cmap, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
            changed += rewrite.changed;
        } catch (const std::exception&) {
        }
    }
    return changed;
}
