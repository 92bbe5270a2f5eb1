.pragma library
.import "StoredValues.js" as StoredValues

// Turns a location into the one server of the directory that a connection goes to.

const autoSelectName = "Auto Select";
const defaultPort = "1194";
const textOf = StoredValues.textOf;

// A missing, empty or zero port is the default port; a number becomes its decimal text.
function portOf(value) {
    return value ? String(value) : defaultPort;
}

// The objects of one array of the directory; a missing array is an empty one.
function listOf(directory, key) {
    return Array.from((directory && directory[key]) || [])
        .filter(entry => entry !== null && typeof entry === "object");
}

function serverOf(entry, portField, label) {
    return {
        host: textOf(entry.ServerHost),
        port: portOf(entry[portField]),
        cat: textOf(entry.Category),
        user: textOf(entry.User),
        pass: textOf(entry.Pass),
        label: textOf(label)
    };
}

// What "Auto Select" draws from: every country (its ServerTCPPort), then every city, in
// directory order, leaving out those without a host.
function autoSelectCandidates(directory) {
    return listOf(directory, "Servers").map(entry => serverOf(entry, "ServerTCPPort", entry.Name))
        .concat(listOf(directory, "Cities").map(entry => serverOf(entry, "OpenVPNTCPPort",
                                                                  entry.CityName)))
        .filter(server => server.host !== "");
}

// The first country (type "Country") or city (type "City") of exactly that name, or null.
// A name that is not a text is compared as the text that the location list shows for it.
function serverNamed(directory, name, type) {
    let entry;
    if (type === "Country")
        entry = listOf(directory, "Servers").find(candidate => textOf(candidate.Name) === name);
    else if (type === "City")
        entry = listOf(directory, "Cities").find(candidate => textOf(candidate.CityName) === name);
    return entry ? serverOf(entry, "OpenVPNTCPPort", name) : null;
}
