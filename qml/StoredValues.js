.pragma library

// Values as the settings store and the server directory hand them back.

// A boolean read from the store by key comes back as the text "true" after a restart.
function isTrue(value) {
    return value === true || value === "true";
}

// A value as text; a missing one (undefined or null) is the empty text.
function textOf(value) {
    return value === undefined || value === null ? "" : String(value);
}
