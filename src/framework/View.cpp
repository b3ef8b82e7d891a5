#include "View.h"

#include "Document.h"

View::~View()
{
    if (document)
        document->RemoveView(this);
}

void View::OnInitialUpdate() { OnUpdate(nullptr, 0); }

void View::OnUpdate(View*, long) { }
