#include "ui/widgets/UISlotBase.h"

#include "ui/ClientView.h"
#include "ui/UISystem.h"

void UISlotBase::endDrag()
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (view) {
        forceUse(view->getEntityUnderMouse());
    }
    if (ui) {
        ui->setDragWidget(nullptr);
    }
}
