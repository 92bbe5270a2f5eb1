.pragma library
.import "ServerChoice.js" as ServerChoice
.import "StoredValues.js" as StoredValues

// The reconnect record: the location of the tunnel that was up or reconnecting when the
// user's session ended, kept in the settings store as JSON text until the next start.

// The record's text for a location, as the home screen names one.
function recordText(name, flag, favorite, type) {
    return JSON.stringify({ name: name, flag: flag, favorite: favorite === true, type: type });
}

// The location that a stored record names, or null when there is none or it is unreadable.
function locationOf(text) {
    let record;
    try {
        record = JSON.parse(StoredValues.textOf(text));
    } catch (error) {
        return null;
    }
    if (!record || typeof record.name !== "string" || record.name === "")
        return null;
    return {
        name: record.name,
        flag: StoredValues.textOf(record.flag),
        favorite: record.favorite === true,
        type: StoredValues.textOf(record.type)
    };
}

// Whether the start reconnects to the recorded location: only with a record, Auto Connect on,
// a stored sign-in that has not expired at `now` (the expiry text is YYYY-MM-DD, 00:00 UTC)
// and a directory with servers. Otherwise `reason` says which of them is missing.
function startDecision(recordText, autoConnect, loggedIn, expiryText, now, directory) {
    const no = reason => ({ reconnect: false, reason: reason });
    if (locationOf(recordText) === null)
        return no("no tunnel was up when the last session ended");
    if (!StoredValues.isTrue(autoConnect))
        return no("Auto Connect is off");
    if (!StoredValues.isTrue(loggedIn))
        return no("nobody is signed in");
    if (!StoredValues.isLaterThan(expiryText, now))
        return no("the account has expired");
    if (ServerChoice.listOf(directory, "Servers").length === 0)
        return no("no server directory is loaded");
    return { reconnect: true, reason: "" };
}
