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

// Whether the stored date (YYYY-MM-DD, 00:00 UTC of that day) is later than `now`; a text that
// does not parse gives an invalid date, which is never later.
function isLaterThan(dateText, now) {
    return new Date(textOf(dateText)) > now;
}

// The bound on connecting, in milliseconds, that a stored "Connection Timeout" choice stands
// for: none (0) for "Continuously retry", one minute for a value that is none of the choices.
function connectTimeoutMs(choice) {
    const bounds = {
        "15 seconds": 15000,
        "30 seconds": 30000,
        "1 minute": 60000,
        "2 minutes": 120000,
        "Continuously retry": 0
    };
    const text = textOf(choice);
    return Object.prototype.hasOwnProperty.call(bounds, text) ? bounds[text] : 60000;
}
