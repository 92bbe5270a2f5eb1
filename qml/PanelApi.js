.pragma library

// Requests to the service's account panel, shared by the window (server directory) and the
// login screen (sign-in).

// Sends a GET request and calls onDone(status, responseText) once, when the request is
// complete (status 0 when no HTTP reply arrived). Returns the request, for cancel().
function get(url, onDone) {
    const request = new XMLHttpRequest();
    request.onreadystatechange = function () {
        if (request.readyState === XMLHttpRequest.DONE)
            onDone(request.status, request.responseText);
    };
    request.open("GET", url);
    request.send();
    return request;
}

// Abandons a request without calling its completion callback.
function cancel(request) {
    request.onreadystatechange = null;
    request.abort();
}

// The query text of [key, value] pairs, in the given order, keys and values percent-encoded
// so that "&", "=", "#", "+" and blanks reach the panel as they are.
function query(pairs) {
    return pairs.map(pair => encodeURIComponent(pair[0]) + "=" + encodeURIComponent(pair[1]))
                .join("&");
}
