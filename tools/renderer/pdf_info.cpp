#include "pdf_info.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QUtil.hh>

void WriteDocumentInfo(QPDF& pdf, const PageFacts& facts)
{
    QPDFObjectHandle info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    const auto set = [&](const char* key, const std::string& value) {
        if (!value.empty()) info.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
    };
    set("/Title", facts.title);
    set("/Author", facts.author);
    set("/Subject", facts.subject);
    set("/Creator", std::string(kProducer));
    set("/Producer", std::string(kProducer));
    const std::string now = QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time());
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(now));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(now));
    pdf.getTrailer().replaceKey("/Info", info);

    QPDFObjectHandle catalog = pdf.getRoot();
    if (!facts.language.empty())
        catalog.replaceKey("/Lang", QPDFObjectHandle::newUnicodeString(facts.language));
    else
        catalog.removeKey("/Lang");
}
