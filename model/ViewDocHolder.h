#pragma once
// Small base of the objects that work on the pane's program document without owning it:
// program views, step dialogs and the simulator engines.

class CQuorvexDoc;

class CViewDocHolder {
public:
    virtual ~CViewDocHolder() = default;

    // The document is not owned; it must outlive every call made while it is set.
    virtual void SetDocument(CQuorvexDoc* doc) { m_pDoc = doc; }
    virtual CQuorvexDoc* GetDocument() const { return m_pDoc; }

protected:
    CQuorvexDoc* m_pDoc = nullptr;
};
