#include "labels.h"

#include "environment.h"
#include "form_label.h"

void labelMouseDown(Environment& env, TFormLabel& dialog, int button, int x, int y) {
    switch (labelPress(env, button, x, y)) {
    case LabelDialogRequest::NewLabel:
        loadLabelDialog(env, dialog, -1);
        dialog.showDialog(QStringLiteral("Close"));
        break;
    case LabelDialogRequest::EditLabel:
        loadLabelDialog(env, dialog, env.selectedLabel);
        dialog.showDialog(QStringLiteral("Edit"));
        break;
    case LabelDialogRequest::None: break;
    }
}

void loadLabelDialog(const Environment& env, TFormLabel& dialog, int index) {
    dialog.setValues(labelDialogValues(env, index));
}
