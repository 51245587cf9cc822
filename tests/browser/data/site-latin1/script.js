// ISO 8859-1 bytes, read in the document's encoding.
function sayHello(where) {
    document.write('<p id="written">Geschrieben für die ' + where + ': Grüße, ß, é</p>');
}

document.addEventListener('DOMContentLoaded', function () {
    var p = document.createElement('p');
    p.textContent = 'DOMContentLoaded: bereit (' + document.characterSet + ')';
    document.body.appendChild(p);
});

window.addEventListener('load', function () {
    var p = document.createElement('p');
    p.id = 'loaded';
    p.textContent = 'load: geladen, Überprüfung »ok«';
    document.body.appendChild(p);
});
