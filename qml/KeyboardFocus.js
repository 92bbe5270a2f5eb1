.pragma library

// Focus that the program moves on behalf of the user shows the focus ring only when the user
// is working from the keyboard, as after Tab.

// The reason to give a control that takes over the focus from `control` (or null): the ring
// follows the focus when `control` showed it.
function reasonAfter(control) {
    return control && control.visualFocus ? Qt.TabFocusReason : Qt.OtherFocusReason;
}

// Gives the control the active focus for the reason, also when it had the focus already.
function moveTo(control, reason) {
    control.forceActiveFocus(reason);
    control.focusReason = reason;
}
