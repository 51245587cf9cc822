// Read without a charset of its own: in the document's encoding.
function sayHello(where) {
    document.write('<p id="written">Geschrieben für die ' + where + ': Grüße, 東京, ✓</p>');
    var note = document.createElement('p');
    note.id = 'dom';
    note.appendChild(document.createTextNode('Per DOM eingefügt: Übergröße «' + where + '»'));
    document.body.appendChild(note);
}

document.addEventListener('DOMContentLoaded', function () {
    var p = document.createElement('p');
    p.id = 'ready';
    p.textContent = 'DOMContentLoaded: bereit ✓ (' + document.characterSet + ')';
    document.body.appendChild(p);
});

window.addEventListener('load', function () {
    var p = document.createElement('p');
    p.id = 'loaded';
    var img = document.images[0];
    p.textContent = 'load: geladen ✓, Bildbreite ' + (img ? img.naturalWidth : 'keine');
    document.body.appendChild(p);
});
