#include "checker/script/DomStandIn.h"

// Elements keep their attributes in __a (names lower case, in __order), the
// text they hold in __text, and their handle, the index in all, in __h. An
// element from markup the page reader read (the page's, written, innerHTML)
// is "read"; one a script made is read when it enters the document.
const char* const DomStandInCode = R"js((function (g, N) {
var all = [];
var stack = [];
var opened = {};  // how many of the stack's elements each tag has, by ' ' + tag
var loads = queue();
var handlers = queue();
var timers = queue();
var voids = {area: 1, base: 1, br: 1, col: 1, embed: 1, hr: 1, img: 1, input: 1, link: 1, meta: 1, param: 1,
             source: 1, wbr: 1, basefont: 1, bgsound: 1, frame: 1, keygen: 1, isindex: 1};
var texts = {script: 1, style: 1, textarea: 1, title: 1, xmp: 1, plaintext: 1, noscript: 1, iframe: 1,
             noembed: 1, noframes: 1};
var seed = 12345;
var nothing;

// The load's queues are taken from the front by a count of those taken:
// shift() moves all the rest, which over a page's thousands of handlers is
// quadratic. An emptied queue starts again at its beginning.
function queue() { return {items: [], taken: 0}; }
function take(q) {
    if (q.taken === q.items.length) { return undefined; }
    var item = q.items[q.taken];
    q.items[q.taken++] = undefined;
    if (q.taken === q.items.length) { q.items.length = 0; q.taken = 0; }
    return item;
}

// Anything a help page does not need answers with an object that does nothing.
nothing = new Proxy(function () {}, {
    get: function (t, k) {
        if (k === 'toString' || k === 'valueOf') { return function () { return ''; }; }
        if (typeof k === 'symbol') { return undefined; }
        if (k === 'length') { return 0; }
        return nothing;
    },
    set: function () { return true; },
    has: function () { return false; },
    apply: function () { return nothing; },
    construct: function () { return nothing; }
});

function escapeText(s) { return String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;'); }
function escapeValue(s) { return String(s).replace(/&/g, '&amp;').replace(/"/g, '&quot;'); }

function TextNode(data) { this.nodeType = 3; this.nodeName = '#text'; this.data = String(data); this.__p = null; }
TextNode.prototype = {
    get parentNode() { return this.__p; }, set parentNode(v) {},
    get nodeValue() { return this.data; }, set nodeValue(v) { this.data = String(v); },
    get innerText() { return this.data; },
    get textContent() { return this.data; }, set textContent(v) { this.data = String(v); }
};

function El(tag) {
    tag = String(tag);
    this.nodeType = 1;
    this.__tagName = tag.toUpperCase();
    this.__tag = tag.toLowerCase();
    this.childNodes = [];
    this.__p = null;
    this.__a = {};
    this.__order = [];
    this.__text = '';
    this.__read = false;
    this.style = {};
    this.__h = all.length;
    all.push(this);
    if (this.__tag === 'object') {
        all[this.__h] = new Proxy(this, activeX);
        return all[this.__h];
    }
}
var E = El.prototype;

// An <object>'s script object holds the element's members, which JScript
// finds by their exact names (it asks IDispatchEx::GetDispID with
// fdexNameCaseSensitive), then the ActiveX control's, which the control
// finds through IDispatch::GetIDsOfNames regardless of case, as Automation
// matches names: sc.CLICK() and sc.hhclick() are the ShortCut's Click and
// HHClick. Its object member is the control itself.
var controlMembers = {click: 'Click', hhclick: 'HHClick'};
function controlMember(k) {
    var lower = typeof k === 'string' ? k.toLowerCase() : '';
    return controlMembers.hasOwnProperty(lower) ? controlMembers[lower] : undefined;
}
function control(el) {
    return new Proxy({}, {
        get: function (t, k) {
            if (typeof k === 'symbol') { return undefined; }
            return controlMember(k) ? function () { N.click(el.__h); } : nothing;
        },
        set: function () { return true; }
    });
}
function descriptor(o, k) {
    for (; o; o = Object.getPrototypeOf(o)) {
        var d = Object.getOwnPropertyDescriptor(o, k);
        if (d) { return d; }
    }
    return undefined;
}
// The engine calls a getter or setter that a proxy passes on with the raw
// element as this: it is called here with the proxy, the element scripts
// and the stand-in know.
var activeX = {
    get: function (t, k, r) {
        if (!(k in t)) {
            if (k === 'object') { return control(t); }
            k = controlMember(k) || k;
        }
        var d = descriptor(t, k);
        return d && d.get ? d.get.call(r) : t[k];
    },
    set: function (t, k, v, r) {
        var d = descriptor(t, k);
        if (d && d.set) { d.set.call(r, v); } else if (!d || !d.get) { t[k] = v; }
        return true;
    }
};

// A node's parent, and its tag name, are read-only to scripts, as in IE: the
// stand-in sets the parent, and each change of one that moves a node already
// placed starts a new generation of what the nodes above each node are.
var generation = 0;
function setParent(node, parent) { node.__p = parent; generation++; }

// Whether a node stands in the document; known once a generation for each
// node on the way up, so that a page's nested elements cost no walk each.
function connected(node) {
    var path = [];
    var known = false;
    for (var n = node; n; n = n.__p) {
        if (n === root) { known = true; break; }
        if (n.__cg === generation) { known = n.__c; break; }
        path.push(n);
    }
    for (var i = 0; i < path.length; i++) { path[i].__cg = generation; path[i].__c = known; }
    return known;
}

// The form an element stands in: the nearest FORM above it, or null; known
// once a generation as connected() is.
function formAbove(el) {
    var path = [];
    var form = null;
    for (var p = el.__p; p; p = p.__p) {
        if (p.tagName === 'FORM') { form = p; break; }
        if (p.__fg === generation) { form = p.__f; break; }
        path.push(p);
    }
    for (var i = 0; i < path.length; i++) { path[i].__fg = generation; path[i].__f = form; }
    return form;
}

// Named access: window.x, document.x, form.x, as the viewer gives them.
function nameIt(el, name) {
    if (!name || !connected(el)) { return; }
    if (!(name in g)) { g[name] = el; }
    if (/^(OBJECT|IMG|FORM|EMBED|APPLET|IFRAME)$/.test(el.tagName) && !(name in doc)) { doc[name] = el; }
    var form = formAbove(el);
    if (form && !(name in form)) { form[name] = el; }
}

function nameTree(el) {
    if (el.nodeType !== 1) { return; }
    nameIt(el, el.__a.id);
    nameIt(el, el.__a.name);
    for (var i = 0; i < el.childNodes.length; i++) { nameTree(el.childNodes[i]); }
}

E.getAttribute = function (n) { n = String(n).toLowerCase(); return n in this.__a ? this.__a[n] : null; };
E.setAttribute = function (n, v) {
    n = String(n).toLowerCase();
    if (!(n in this.__a)) { this.__order.push(n); }
    this.__a[n] = String(v);
    if (n === 'id' || n === 'name') { nameIt(this, String(v)); }
};
E.removeAttribute = function (n) {
    n = String(n).toLowerCase();
    delete this.__a[n];
    var i = this.__order.indexOf(n);
    if (i >= 0) { this.__order.splice(i, 1); }
};
E.hasAttribute = function (n) { return String(n).toLowerCase() in this.__a; };

function reflect(property, attribute) {
    Object.defineProperty(E, property, {
        get: function () { var v = this.getAttribute(attribute); return v === null ? '' : v; },
        set: function (v) { this.setAttribute(attribute, v); }
    });
}
['id', 'name', 'src', 'href', 'classid', 'type', 'title', 'alt', 'codebase', 'data', 'width', 'height',
 'language', 'target', 'action', 'method', 'rel', 'codeType', 'event'].forEach(function (n) { reflect(n, n.toLowerCase()); });
reflect('className', 'class');
reflect('htmlFor', 'for');

Object.defineProperty(E, 'value', {
    get: function () {
        if (this.__tag === 'textarea') { return this.__text; }
        var v = this.getAttribute('value');
        return v === null ? '' : v;
    },
    set: function (v) { if (this.__tag === 'textarea') { this.__text = String(v); } else { this.setAttribute('value', v); } }
});

function textOf(node) {
    if (node.nodeType === 3) { return node.data; }
    var s = node.__text;
    for (var i = 0; i < node.childNodes.length; i++) { s += textOf(node.childNodes[i]); }
    return s;
}
function setText(el, v) { el.childNodes = []; el.__text = String(v); }
Object.defineProperty(E, 'innerText', { get: function () { return textOf(this); }, set: function (v) { setText(this, v); } });
Object.defineProperty(E, 'textContent', { get: function () { return textOf(this); }, set: function (v) { setText(this, v); } });
Object.defineProperty(E, 'children', { get: function () { return this.childNodes.filter(function (c) { return c.nodeType === 1; }); } });
Object.defineProperty(E, 'firstChild', { get: function () { return this.childNodes[0] || null; } });
Object.defineProperty(E, 'lastChild', { get: function () { return this.childNodes[this.childNodes.length - 1] || null; } });
Object.defineProperty(E, 'all', { get: function () { return collection(descendants(this, '*')); } });
Object.defineProperty(E, 'document', { get: function () { return doc; } });
Object.defineProperty(E, 'ownerDocument', { get: function () { return doc; } });
Object.defineProperty(E, 'parentNode', { get: function () { return this.__p; }, set: function () {} });
Object.defineProperty(E, 'tagName', { get: function () { return this.__tagName; }, set: function () {} });
Object.defineProperty(E, 'nodeName', { get: function () { return this.__tagName; }, set: function () {} });

function serialize(node) {
    if (node.nodeType === 3) { return escapeText(node.data); }
    var s = '';
    if (node.__tag !== '#fragment') {
        s = '<' + node.__tag;
        for (var i = 0; i < node.__order.length; i++) {
            s += ' ' + node.__order[i] + '="' + escapeValue(node.__a[node.__order[i]]) + '"';
        }
        s += '>';
        if (voids[node.__tag]) { return s; }
    }
    s += inner(node);
    return node.__tag === '#fragment' ? s : s + '</' + node.__tag + '>';
}
function inner(node) {
    var s = texts[node.__tag] ? node.__text : escapeText(node.__text);
    for (var i = 0; i < node.childNodes.length; i++) { s += serialize(node.childNodes[i]); }
    return s;
}

// Markup a script sets is read by the page reader, which makes its elements
// here, under parent.
function parse(parent, html) {
    var saved = stack;
    var savedOpened = opened;
    stack = [];
    opened = {};
    push(parent);
    try { N.build(String(html)); } finally { stack = saved; opened = savedOpened; }
}

function parsed(html) {
    var box = new El('#fragment');
    parse(box, html);
    return box;
}

Object.defineProperty(E, 'innerHTML', {
    get: function () { return inner(this); },
    set: function (v) { setText(this, ''); parse(this, v); nameTree(this); }
});
Object.defineProperty(E, 'outerHTML', {
    get: function () { return serialize(this); },
    set: function (v) {
        var box = parsed(v);
        var p = this.parentNode;
        if (p) {
            var at = p.childNodes.indexOf(this);
            moveChildren(box, p, at, 1);
            setParent(this, null);
            nameTree(p);
        }
    }
});
E.insertAdjacentHTML = function (where, html) {
    var box = parsed(html);
    where = String(where).toLowerCase();
    var p = this.parentNode;
    if (where === 'afterbegin') { moveChildren(box, this, 0, 0); nameTree(this); }
    else if (where === 'beforeend') { moveChildren(box, this, this.childNodes.length, 0); nameTree(this); }
    else if (p && where === 'beforebegin') { moveChildren(box, p, p.childNodes.indexOf(this), 0); nameTree(p); }
    else if (p && where === 'afterend') { moveChildren(box, p, p.childNodes.indexOf(this) + 1, 0); nameTree(p); }
};
E.insertAdjacentText = function (where, text) { this.insertAdjacentHTML(where, escapeText(text)); };
E.insertAdjacentElement = function (where, el) {
    where = String(where).toLowerCase();
    var p = this.parentNode;
    if (where === 'afterbegin') { return this.insertBefore(el, this.firstChild); }
    if (where === 'beforeend') { return this.appendChild(el); }
    if (p && where === 'beforebegin') { return p.insertBefore(el, this); }
    if (p && where === 'afterend') { return p.insertBefore(el, this.nextSibling); }
    return el;
};
Object.defineProperty(E, 'nextSibling', { get: function () {
    var p = this.parentNode;
    return p ? p.childNodes[p.childNodes.indexOf(this) + 1] || null : null;
} });
Object.defineProperty(E, 'previousSibling', { get: function () {
    var p = this.parentNode;
    return p ? p.childNodes[p.childNodes.indexOf(this) - 1] || null : null;
} });
TextNode.prototype.nextSibling = null;

function moveChildren(box, parent, at, replace) {
    var moved = box.childNodes;
    box.childNodes = [];
    for (var i = 0; i < moved.length; i++) { setParent(moved[i], parent); }
    Array.prototype.splice.apply(parent.childNodes, [at < 0 ? parent.childNodes.length : at, replace].concat(moved));
}

// What a script made is read once it stands in the document: its objects
// are then ShortCuts the page holds.
function madeByScript(node) {
    if (node.nodeType !== 1) { return false; }
    if (!node.__read) { return true; }
    for (var i = 0; i < node.childNodes.length; i++) { if (madeByScript(node.childNodes[i])) { return true; } }
    return false;
}
function markRead(node) {
    if (node.nodeType !== 1) { return; }
    node.__read = true;
    for (var i = 0; i < node.childNodes.length; i++) { markRead(node.childNodes[i]); }
}
function entered(node) {
    if (!connected(node)) { return; }
    if (node.nodeType === 1 && madeByScript(node)) {
        N.build(serialize(node), node.__h);
        markRead(node);
    }
    nameTree(node);
}

function insert(parent, child, at, replace) {
    if (!child || typeof child !== 'object') { return child; }
    if (child.__tag === '#fragment') {
        var nodes = child.childNodes.slice();
        moveChildren(child, parent, at, replace);
        for (var i = 0; i < nodes.length; i++) { entered(nodes[i]); }
        return child;
    }
    if (child.parentNode) { child.parentNode.removeChild(child); }
    if (at < 0 || at > parent.childNodes.length) { at = parent.childNodes.length; }
    parent.childNodes.splice(at, replace, child);
    setParent(child, parent);
    entered(child);
    return child;
}
E.appendChild = function (c) { return insert(this, c, -1, 0); };
E.insertBefore = function (c, ref) { return insert(this, c, ref ? this.childNodes.indexOf(ref) : -1, 0); };
E.replaceChild = function (c, old) {
    var at = this.childNodes.indexOf(old);
    if (at < 0) { return old; }
    insert(this, c, at, 1);
    setParent(old, null);
    return old;
};
E.removeChild = function (c) {
    var at = this.childNodes.indexOf(c);
    if (at >= 0) { this.childNodes.splice(at, 1); setParent(c, null); }
    return c;
};
E.removeNode = function () { if (this.parentNode) { this.parentNode.removeChild(this); } return this; };
E.cloneNode = function (deep) {
    var copy = new El(this.__tag);
    for (var i = 0; i < this.__order.length; i++) { copy.setAttribute(this.__order[i], this.__a[this.__order[i]]); }
    if (deep) {
        copy.__text = this.__text;
        for (var j = 0; j < this.childNodes.length; j++) {
            var c = this.childNodes[j];
            copy.appendChild(c.nodeType === 3 ? new TextNode(c.data) : c.cloneNode(true));
        }
    }
    return copy;
};
E.hasChildNodes = function () { return this.childNodes.length > 0; };

// The ShortCut control's methods: the click is what matters.
E.Click = E.click = E.HHClick = function () { N.click(this.__h); };
E.focus = E.blur = E.scrollIntoView = E.select = E.submit = E.reset = E.fireEvent = E.detachEvent = E.removeEventListener = function () {};
E.attachEvent = function (type, f) { listen(this, String(type).replace(/^on/i, ''), f); return true; };
E.addEventListener = function (type, f) { listen(this, String(type), f); };

function descendants(node, tag) {
    var found = [];
    tag = String(tag).toUpperCase();
    (function walk(n) {
        for (var i = 0; i < n.childNodes.length; i++) {
            var c = n.childNodes[i];
            if (c.nodeType === 1) {
                if (tag === '*' || c.tagName === tag) { found.push(c); }
                walk(c);
            }
        }
    })(node);
    return found;
}
E.getElementsByTagName = function (tag) { return collection(descendants(this, tag)); };

// A collection is called or indexed, by number or by name.
function collection(list) {
    var f = function (key, index) {
        if (typeof key === 'number' || /^\d+$/.test(String(key))) { return list[Number(key)] || null; }
        var named = list.filter(function (e) { return e.__a.id === String(key) || e.__a.name === String(key); });
        if (named.length === 0) { return null; }
        if (typeof index === 'number') { return named[index] || null; }
        return named.length === 1 ? named[0] : collection(named);
    };
    f.item = f;
    f.namedItem = f;
    f.tags = function (t) { return collection(list.filter(function (e) { return e.tagName === String(t).toUpperCase(); })); };
    return new Proxy(f, {
        get: function (t, k) {
            if (typeof k === 'symbol') { return undefined; }
            k = String(k);
            if (k === 'length') { return list.length; }
            if (k in t) { return t[k]; }
            if (k in Array.prototype) { return typeof list[k] === 'function' ? list[k].bind(list) : list[k]; }
            return f(k);
        }
    });
}

var root = new El('html');
root.__read = true;
var doc = {};
doc.nodeType = 9;
doc.documentElement = root;
doc.childNodes = [root];
function firstOf(tag) { return descendants(root, tag)[0] || null; }
Object.defineProperty(doc, 'body', { get: function () { return firstOf('body') || root; } });
Object.defineProperty(doc, 'head', { get: function () { return firstOf('head'); } });
Object.defineProperty(doc, 'all', { get: function () { return collection([root].concat(descendants(root, '*'))); } });
['images:img', 'forms:form', 'scripts:script', 'embeds:embed', 'applets:object', 'anchors:a', 'links:a'].forEach(function (pair) {
    var p = pair.split(':');
    Object.defineProperty(doc, p[0], { get: function () { return collection(descendants(root, p[1])); } });
});
doc.write = function () { N.write(Array.prototype.join.call(arguments, '')); };
doc.writeln = function () { N.write(Array.prototype.join.call(arguments, '') + '\n'); };
doc.open = doc.close = doc.execCommand = doc.focus = doc.detachEvent = doc.removeEventListener = function () { return doc; };
doc.getElementById = function (id) {
    id = String(id);
    var list = [root].concat(descendants(root, '*'));
    // The viewer's document mode finds a name as well as an id.
    for (var i = 0; i < list.length; i++) { if (list[i].__a.id === id || list[i].__a.name === id) { return list[i]; } }
    return null;
};
doc.getElementsByName = function (n) {
    return collection(descendants(root, '*').filter(function (e) { return e.__a.name === String(n); }));
};
doc.getElementsByTagName = function (tag) { return collection((String(tag) === '*' || /^html$/i.test(tag) ? [root] : []).concat(descendants(root, tag))); };
doc.createElement = function (tag) {
    tag = String(tag);
    if (tag.charAt(0) === '<') {
        var box = parsed(tag);
        var made = box.childNodes[0] || new El('div');
        box.childNodes = [];
        setParent(made, null);
        return made;
    }
    return new El(tag);
};
doc.createTextNode = function (t) { return new TextNode(t); };
doc.createDocumentFragment = function () { return new El('#fragment'); };
doc.createComment = function () { return new TextNode(''); };
doc.attachEvent = function (type, f) { listen(doc, String(type).replace(/^on/i, ''), f); return true; };
doc.addEventListener = function (type, f) { listen(doc, String(type), f); };
doc.cookie = '';
doc.title = '';
doc.referrer = '';
doc.readyState = 'loading';
doc.documentMode = 7;
doc.compatMode = 'CSS1Compat';
doc.charset = doc.characterSet = 'windows-1252';
doc.selection = nothing;
doc.parentWindow = doc.defaultView = g;

var loc = {href: '', protocol: 'mk:', host: '', hostname: '', pathname: '', search: '', hash: '', port: '',
           assign: function () {}, replace: function () {}, reload: function () {}, toString: function () { return ''; }};
// A page may set location: there is no navigation.
Object.defineProperty(doc, 'location', { get: function () { return loc; }, set: function () {} });
Object.defineProperty(doc, 'URL', { get: function () { return loc.href; } });

function listen(target, type, f) {
    if (typeof f !== 'function') { return; }
    type = type.toLowerCase();
    if (type === 'load' && (target === g || target === doc || target === doc.body || target === root)) {
        loads.items.push({run: f, target: g, place: N.here()});
    } else if (type === 'readystatechange' && target === doc) {
        loads.items.push({run: f, target: doc, place: N.here()});
    }
}

function timer(f, repeat) {
    // An id is one more than the timers waiting, as it was when they were shifted out.
    var entry = {run: f, place: N.here(), id: timers.items.length - timers.taken + 1, cleared: false,
                 args: Array.prototype.slice.call(arguments, 2)};
    timers.items.push(entry);
    return entry.id;
}
function clear(id) {
    var waiting = timers.items;
    for (var i = timers.taken; i < waiting.length; i++) { if (waiting[i].id === id) { waiting[i].cleared = true; } }
}

g.window = g.self = g.top = g.parent = g.frames = g;
g.document = doc;
Object.defineProperty(g, 'location', { get: function () { return loc; }, set: function () {}, configurable: false });
g.navigator = {userAgent: 'Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1)', appName: 'Microsoft Internet Explorer',
               appVersion: '4.0 (compatible; MSIE 7.0; Windows NT 6.1)', platform: 'Win32', cookieEnabled: true,
               userLanguage: 'en-us', browserLanguage: 'en-us', systemLanguage: 'en-us', language: 'en-us',
               javaEnabled: function () { return false; }, plugins: [], mimeTypes: []};
g.clientInformation = g.navigator;
g.screen = {width: 1024, height: 768, availWidth: 1024, availHeight: 740, colorDepth: 32};
g.history = {length: 1, back: function () {}, forward: function () {}, go: function () {}};
g.alert = g.focus = g.blur = g.close = g.print = g.scrollTo = g.scrollBy = g.moveTo = g.resizeTo = g.detachEvent = g.removeEventListener = function () {};
// The reader says yes: what follows a question runs.
g.confirm = function () { return true; };
g.prompt = function (text, value) { return value === undefined ? '' : String(value); };
g.open = g.showModalDialog = g.showModelessDialog = g.createPopup = function () { return nothing; };
g.external = g.clipboardData = g.ActiveXObject = g.XMLHttpRequest = g.Enumerator = g.GetObject = g.event = nothing;
g.status = g.defaultStatus = '';
g.name = '';
g.opener = null;
g.closed = false;
g.setTimeout = function (f) { return timer(f, false); };
g.setInterval = function (f) { return timer(f, true); };
g.clearTimeout = g.clearInterval = clear;
g.attachEvent = function (type, f) { listen(g, String(type).replace(/^on/i, ''), f); return true; };
g.addEventListener = function (type, f) { listen(g, String(type), f); };
g.execScript = function (code, language) {
    if (language && /vb/i.test(String(language))) { return; }
    return N.compileAt(String(code), N.here()).call(g);
};
g.Image = function () { return doc.createElement('img'); };
g.Option = function () { return doc.createElement('option'); };
g.ScriptEngine = function () { return 'JScript'; };
g.ScriptEngineMajorVersion = function () { return 5; };
g.ScriptEngineMinorVersion = function () { return 7; };
g.ScriptEngineBuildVersion = function () { return 0; };
g.CollectGarbage = function () {};
g.onload = null;
// The same numbers on every run.
Math.random = function () { seed = (seed * 1103515245 + 12345) % 2147483648; return seed / 2147483648; };

function open(name, attributes, text) {
    var el;
    if (name === 'html' && stack.length === 0) {
        el = root;
    } else {
        el = new El(name);
        el.__read = true;
        var parent = stack.length ? stack[stack.length - 1] : root;
        el.__p = parent;  // a new last leaf: what stands above the others is unchanged
        parent.childNodes.push(el);
    }
    for (var i = 0; i + 1 < attributes.length; i += 2) {
        if (!(attributes[i] in el.__a)) { el.__order.push(attributes[i]); el.__a[attributes[i]] = attributes[i + 1]; }
    }
    if (text !== undefined) { el.__text = text; }
    nameTree(el);
    if (!voids[name] && text === undefined) { push(el); }
    return el.__h;
}
function text(t) {
    var parent = stack.length ? stack[stack.length - 1] : root;
    var node = new TextNode(t);
    node.__p = parent;
    parent.childNodes.push(node);
}
// The stack's tags are counted as elements go on and off it, so that an end
// tag no element stands open for is passed over at once, not after a walk
// down a deep stack for each one.
function push(el) {
    stack.push(el);
    opened[' ' + el.__tag] = (opened[' ' + el.__tag] || 0) + 1;
}
function close(name) {
    if (!opened[' ' + name]) { return; }
    for (var i = stack.length - 1; i >= 0; i--) {
        if (stack[i].__tag === name) {
            for (var j = stack.length - 1; j >= i; j--) { opened[' ' + stack[j].__tag]--; }
            stack.length = i;
            return;
        }
    }
}
function handler(element, f) {
    var el = element >= 0 ? all[element] : undefined;
    if (element < 0) {
        loads.items.push({run: f, target: g, place: N.here()});
    } else if (el && el.__tag === 'body' || el === root) {
        g.onload = f;
    } else if (el) {
        handlers.items.push({run: f, target: el, place: N.here()});
    }
}
function call(step) {
    return function () {
        var f = step.run;
        if (typeof f === 'string') { f = N.compileAt(f, step.place); }
        if (typeof f === 'function') { return f.apply(step.target || g, step.args || [{type: 'load'}]); }
    };
}
var phase = 0;
// The load's steps, one by one: window.onload (a body's onload is it), what
// is attached to the load, the load-time handlers, then each timer once.
function next() {
    if (phase === 0) {
        phase = 1;
        doc.readyState = 'complete';
        if (typeof g.onload === 'function' || typeof g.onload === 'string') {
            return {run: call({run: g.onload, target: g, place: N.here()}), place: N.here()};
        }
    }
    if (phase === 1) {
        var step = take(loads) || take(handlers);
        if (step) { return {run: call(step), place: step.place}; }
        phase = 2;
    }
    while (timers.taken < timers.items.length) {
        var t = take(timers);
        if (!t.cleared) { return {run: call(t), place: t.place}; }
    }
    return undefined;
}
return {open: open, text: text, close: close, handler: handler, next: next};
}))js";
