// A document as the programs make it, read from the reader a library
// session has selected. For tests that link the document library.
#pragma once

#include "CKuvoraDoc.h"
#include "TestSupport.h"

#include <memory>

namespace test {

inline std::unique_ptr<CKuvoraDoc> ReadDocument(LibrarySession& session, const QString& reader, int mode,
                                                IDocumentObserver* observer = nullptr) {
    session.select(reader);
    auto doc = std::make_unique<CKuvoraDoc>();
    if (observer) doc->SetObserver(observer);
    doc->OnNewDocument();
    doc->m_nMode = mode;
    doc->OnCardRead();
    return doc;
}

}  // namespace test
