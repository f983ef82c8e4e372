#!/usr/bin/env python3
"""Derive Markwise's rules for HTML 2.0, 3.2 and 4.01 from the W3C DTDs.

Reads the DTDs of Debian's w3c-sgml-lib package (apt-get install w3c-sgml-lib):

    REC-html401-19991224/strict.dtd, loose.dtd, frameset.dtd
    REC-html32-19970114/HTML32.dtd
    IETF/html.dtd

and writes six texts of the rule set (resources/config):

    html4-common.txt            the attribute values, and the attributes several families share
    html401-strict.txt          HTML 4.01 Strict
    html401-transitional.txt    HTML 4.01 Transitional
    html401-frameset.txt        what the frameset DTD adds to the transitional one
    html32.txt                  HTML 3.2
    html20.txt                  HTML 2.0

Run from anywhere (Python 3, standard library only):

    python3 resources/config/tools/dtd_rules.py [--dtd-dir DIR] [--out-dir DIR]

The texts it writes are the rule set's source and are kept in the repository; run this
again after changing how the rules are derived, and review the difference.

How an element becomes a tag entry is described in resources/config/README.md ("How the
rules are written"); the comments below say where the DTDs need a choice.
"""

import argparse
import os
import re
import sys
from collections import defaultdict

DEFAULT_DTD_DIR = "/usr/share/xml/w3c-sgml-lib/schema/dtd"
HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT_DIR = os.path.dirname(HERE)

# The external parameter entities a DTD pulls in: other DTDs are read, the character entity
# sets are not (Markwise knows the HTML 4 entities itself).
EXTERNAL_DTDS = {
    "-//W3C//DTD HTML 4.01 Transitional//EN": "REC-html401-19991224/loose.dtd",
}

NAME_CHARS = re.compile(r"[A-Za-z0-9._:\-]")


# ---------------------------------------------------------------------------------------
# Reading a DTD


class Element:
    def __init__(self, name, start_omit, end_omit, kind, children, excl, incl, section, order):
        self.name = name
        self.start_omit = start_omit      # the start tag may be left out
        self.end_omit = end_omit          # the end tag may be left out
        self.kind = kind                  # MODEL, EMPTY, CDATA, RCDATA or ANY
        self.children = children          # the element names of the content model
        self.excl = excl                  # -(...)
        self.incl = incl                  # +(...)
        self.section = section            # the DTD's heading above the declaration
        self.order = order
        self.attributes = None            # [(name, declared value, hint, default)]
        self.model = None                 # the content model's tokens, for MODEL


class Dtd:
    """The element and attribute declarations of a DTD, parameter entities expanded."""

    def __init__(self, path, dtd_dir):
        self.dtd_dir = dtd_dir
        self.entities = {}        # parameter entities: name -> text or ("external", public id)
        self.elements = {}
        self.section = ""
        self._process(self._read(path))

    @staticmethod
    def _read(path):
        with open(path, encoding="latin-1") as f:
            return f.read()

    # -- markup declarations, marked sections and comments at the top level --------------

    def _process(self, text):
        i = 0
        n = len(text)
        while i < n:
            if text.startswith("<!--", i):
                end = self._skip_comment_declaration(text, i)
                self._note_heading(text[i:end])
                i = end
            elif text.startswith("<![", i):
                i = self._marked_section(text, i)
            elif text.startswith("<!", i):
                end = self._declaration_end(text, i + 2)
                self._declaration(text[i + 2:end])
                i = end + 1
            elif text[i] == "%":
                m = re.match(r"%([A-Za-z][A-Za-z0-9.\-]*);?", text[i:])
                self._external(m.group(1))
                i += m.end()
            else:
                i += 1

    @staticmethod
    def _skip_comment_declaration(text, i):
        # <!-- comment -- -- more -- >
        j = i + 2
        while True:
            while j < len(text) and text[j] in " \t\r\n":
                j += 1
            if text.startswith("--", j):
                j = text.index("--", j + 2) + 2
            else:
                return text.index(">", j) + 1

    def _note_heading(self, comment):
        m = re.match(r"<!--=+\s*([^=]+?)\s*=+-->", comment.strip())
        if m:
            self.section = m.group(1)

    @staticmethod
    def _declaration_end(text, j):
        while True:
            c = text[j]
            if c in "\"'":
                j = text.index(c, j + 1) + 1
            elif text.startswith("--", j):
                j = text.index("--", j + 2) + 2
            elif c == ">":
                return j
            else:
                j += 1

    def _marked_section(self, text, i):
        open_bracket = text.index("[", i + 3)
        keywords = " ".join(t for t, _ in self._tokens(text[i + 3:open_bracket])).upper()
        depth = 1
        j = open_bracket + 1
        while depth:
            nxt_open = text.find("<![", j)
            nxt_close = text.find("]]>", j)
            if nxt_open != -1 and nxt_open < nxt_close:
                depth += 1
                j = nxt_open + 3
            else:
                depth -= 1
                j = nxt_close + 3
        if "IGNORE" not in keywords:
            self._process(text[open_bracket + 1:j - 3])
        return j

    def _external(self, name):
        entity = self.entities.get(name)
        if isinstance(entity, tuple) and entity[1] in EXTERNAL_DTDS:
            self._process(self._read(os.path.join(self.dtd_dir, EXTERNAL_DTDS[entity[1]])))

    # -- tokens of a declaration, parameter entities expanded -----------------------------

    def _tokens(self, text, via=None):
        """(token, entity) pairs: the entity is the innermost parameter entity the token came
        from, which tells the kind of an attribute's value (%Length;, %Color; ...)."""
        i = 0
        n = len(text)
        while i < n:
            c = text[i]
            if c in " \t\r\n":
                i += 1
            elif text.startswith("--", i):
                i = text.index("--", i + 2) + 2
            elif c in "\"'":
                j = text.index(c, i + 1)
                yield ("LIT", text[i + 1:j]), via
                i = j + 1
            elif c == "%" and i + 1 < n and re.match(r"[A-Za-z]", text[i + 1]):
                m = re.match(r"%([A-Za-z][A-Za-z0-9.\-]*);?", text[i:])
                name = m.group(1)
                yield from self._tokens(self.entities[name], name)
                i += m.end()
            elif c == "#" or NAME_CHARS.match(c) and c != "-":
                j = i + 1
                while j < n and NAME_CHARS.match(text[j]) and not text.startswith("--", j):
                    j += 1
                yield text[i:j], via
                i = j
            else:
                yield c, via
                i += 1

    def _declaration(self, text):
        keyword = re.match(r"[A-Za-z]+", text).group(0).upper()
        rest = text[len(keyword):]
        if keyword == "ENTITY":
            self._entity(rest)
        elif keyword == "ELEMENT":
            self._element(list(self._tokens(rest)))
        elif keyword == "ATTLIST":
            self._attlist(list(self._tokens(rest)))

    def _entity(self, text):
        m = re.match(r"\s*%\s+([A-Za-z][A-Za-z0-9.\-]*)\s+", text)
        if not m:
            return  # a general (character) entity
        name = m.group(1)
        if name in self.entities:
            return  # the first declaration counts
        rest = text[m.end():]
        lit = re.match(r"\"([^\"]*)\"|'([^']*)'", rest)
        if lit:
            self.entities[name] = lit.group(1) if lit.group(1) is not None else lit.group(2)
        else:
            pub = re.match(r"PUBLIC\s+\"([^\"]*)\"", rest, re.I)
            self.entities[name] = ("external", pub.group(1) if pub else "")

    @staticmethod
    def _group(tokens, i):
        """The names of the group starting at tokens[i] == '(' and the index past it."""
        assert tokens[i][0] == "("
        names = []
        depth = 0
        while True:
            t = tokens[i][0]
            i += 1
            if t == "(":
                depth += 1
            elif t == ")":
                depth -= 1
                if depth == 0:
                    return names, i
            elif t not in "|,&?*+" and t != "#PCDATA":
                names.append(t.upper())

    def _text_only(self, tokens, i, seen):
        """Whether the model group at tokens[i] == '(', with its occurrence sign, is matched
        by a content of text alone or nothing: #PCDATA matches no characters too, and an
        element whose start tag may be left out is matched so when its own content is (text
        in NOFRAMES stands in a BODY whose start tag was left out). The index past it."""
        assert tokens[i][0] == "("
        i += 1
        parts, connector = [], ","
        while tokens[i][0] != ")":
            t = tokens[i][0]
            if t in "|,&":
                connector = t
                i += 1
                continue
            if t == "(":
                matched, i = self._text_only(tokens, i, seen)
            else:
                matched = t == "#PCDATA" or self._text_only_element(t.upper(), seen)
                i += 1
                if tokens[i][0] in "?*+":
                    matched = matched or tokens[i][0] in "?*"
                    i += 1
            parts.append(matched)
        i += 1
        matched = any(parts) if connector == "|" else all(parts)
        # The group's own sign; a "+(" after the content model is its inclusions.
        if i < len(tokens) and tokens[i][0] in "?*+" and not (
                tokens[i][0] == "+" and i + 1 < len(tokens) and tokens[i + 1][0] == "("):
            matched = matched or tokens[i][0] in "?*"
        return matched, i

    def _text_only_element(self, name, seen):
        el = self.elements.get(name)
        if el is None or not el.start_omit or name in seen:
            return False
        if el.kind != "MODEL":
            return el.kind != "EMPTY"
        return self._text_only(el.model, 0, seen | {name})[0]

    def must_hold(self, name):
        """Whether the element must hold at least one tag: its content model is matched by
        no content of text alone or nothing."""
        el = self.elements[name]
        return el.kind == "MODEL" and not self._text_only(el.model, 0, {name})[0]

    def _names(self, tokens, i):
        if tokens[i][0] == "(":
            return self._group(tokens, i)
        return [tokens[i][0].upper()], i + 1

    def _element(self, tokens):
        names, i = self._names(tokens, 0)
        start_omit = tokens[i][0].upper() == "O"
        end_omit = tokens[i + 1][0].upper() == "O"
        i += 2
        children, excl, incl = [], [], []
        model = None
        head = tokens[i][0].upper()
        if head in ("EMPTY", "CDATA", "RCDATA", "ANY"):
            kind = head
            i += 1
        else:
            kind = "MODEL"
            start = i
            children, i = self._group(tokens, i)
            model = tokens[start:i] + tokens[i:i + 1]
            if i < len(tokens) and tokens[i][0] in "?*+" and not (
                    tokens[i][0] == "+" and i + 1 < len(tokens) and tokens[i + 1][0] == "("):
                i += 1
        while i < len(tokens):
            sign = tokens[i][0]
            group, i = self._group(tokens, i + 1)
            (excl if sign == "-" else incl).extend(group)
        for name in names:
            self.elements[name] = Element(name, start_omit, end_omit, kind, set(children),
                                          set(excl), set(incl), self.section, len(self.elements))
            self.elements[name].model = model

    def _attlist(self, tokens):
        names, i = self._names(tokens, 0)
        attributes = []
        while i < len(tokens):
            attr = tokens[i][0].upper()
            i += 1
            if tokens[i][0] == "(":
                hint = tokens[i][1]
                values, i = self._group(tokens, i)
                declared = tuple(v.lower() for v in values)
            else:
                declared, hint = tokens[i][0].upper(), tokens[i][1]
                i += 1
            default = tokens[i][0]
            i += 1
            if isinstance(default, str) and default.upper() == "#FIXED":
                i += 1
            if isinstance(default, str) and default.startswith("#"):
                default = default.upper()
            attributes.append((attr, declared, hint, default))
        for name in names:
            if self.elements[name].attributes is None:  # the first list counts
                self.elements[name].attributes = attributes


# ---------------------------------------------------------------------------------------
# Attribute values


def value_list(attr, declared, hint):
    """The values Markwise accepts for an attribute: ([value types], [enumerated values])."""
    if isinstance(declared, tuple):
        if len(declared) == 1 and declared[0] == attr.lower():
            # A boolean attribute: <input checked> and <input checked="checked">.
            return ["(no value)"], list(declared)
        return [], list(declared)
    # The DTDs declare lengths, pixels and colours as CDATA or NUMBER through parameter
    # entities; the entity names say what the values are meant to be.
    # An unquoted value may hold only letters, digits, hyphens, periods, underscores and
    # colons: a colour "#ffffff" and a length "50%" must be quoted (bgcolor=#ffffff and
    # width=50% are reported, as the DTD validator reports them); a name or a number need not.
    if hint in ("Color", "color"):
        return ["(16 color names 4)", "(six digit HEX quoted 4)"], []
    if hint == "Length":
        return ["(percent quoted 4)", "(pos integer 4)", "(zero 4)"], []
    if hint == "MultiLength":
        # The widths of COL and COLGROUP: pages and the tools that write them put CSS lengths
        # there ("150px"), which the DTD takes as text and browsers read; they are text here
        # too, so that a page the DTD validator accepts is not rejected for them.
        return ["(null string 4)", "(string 4)"], []
    if hint == "Pixels":
        return ["(pos integer 4)", "(zero 4)"], []
    if hint == "Character":
        return ["(single character 4)"], []
    if declared == "NUMBER":
        return ["(pos integer 4)", "(zero 4)"], []
    if declared == "CDATA":
        return ["(null string 4)", "(string 4)"], []
    # NAME, NAMES, ID, IDREF(S), NMTOKEN(S): tokens, never empty.
    return ["(string 4)"], []


# ---------------------------------------------------------------------------------------
# The families


class Family:
    def __init__(self, key, title, category, dtd_file, text, heading):
        self.key = key                  # short name, also the suffix of labels taken here
        self.title = title
        self.category = category
        self.dtd_file = dtd_file
        self.text = text                # the rule text written for it
        self.heading = heading          # the first comment lines of the text
        self.dtd = None
        self.entries = []               # TagEntry, in the order written


FAMILIES = [
    Family("s401", "HTML 4.01 Strict", "HTML 4.01 Strict", "REC-html401-19991224/strict.dtd",
           "html401-strict.txt", 
           "HTML 4.01 Strict: the elements of the strict DTD, without the presentational\n"
           "elements and attributes and without frames."),
    Family("t401", "HTML 4.01 Transitional", "HTML 4.01 Transitional",
           "REC-html401-19991224/loose.dtd", "html401-transitional.txt", 
           "HTML 4.01 Transitional: the strict elements plus the presentational ones (FONT,\n"
           "CENTER, U, S, STRIKE, APPLET, IFRAME...) and their attributes."),
    Family("f401", "HTML 4.01 Frameset", "HTML 4.01 Frameset",
           "REC-html401-19991224/frameset.dtd", "html401-frameset.txt", 
           "HTML 4.01 Frameset: what the frameset DTD changes in the transitional one. The\n"
           "frameset profile makes both categories active, so this text holds only FRAMESET,\n"
           "FRAME and second entries of the elements that stand in new places (NOFRAMES in\n"
           "FRAMESET, BODY in NOFRAMES); the second entries keep the closing rules and the\n"
           "attributes of the transitional ones, so that the two never disagree."),
    Family("h32", "HTML 3.2", "HTML 3.2", "REC-html32-19970114/HTML32.dtd", "html32.txt", 
           "HTML 3.2: tables, applets, client-side image maps, FONT and CENTER;\n"
           "no ID, CLASS or STYLE attributes. SCRIPT and STYLE are placeholders without\n"
           "attributes."),
    Family("h20", "HTML 2.0", "HTML 2.0", "IETF/html.dtd", "html20.txt", 
           "HTML 2.0 (RFC 1866): the DTD with its default features (highlighting, forms and the\n"
           "deprecated XMP, LISTING and PLAINTEXT)."),
]

# The elements whose content is not markup: Markwise skips everything up to their closing
# tag. The DTDs declare them CDATA. TEXTAREA holds the text of a form field: the DTDs give it
# #PCDATA, but its text is shown as typed, and today's HTML reads it as text, so it is passed
# over in every family (a vendor or another family's entry for it must agree, or the program
# warns that the entries differ).
IGNORED_CONTENT = ("CDATA", "RCDATA")
IGNORED_ELEMENTS = ("TEXTAREA",)


class TagEntry:
    def __init__(self, element, valid, invalid, notes):
        self.element = element
        self.valid = valid
        self.invalid = invalid
        self.notes = notes
        self.attributes = []


def reach(dtd):
    """What each element may hold directly, over every context the document root leads to:
    an element's inclusions are allowed in its whole content and its exclusions are
    forbidden there, as SGML has it. HEAD's inclusions (META, LINK, SCRIPT, STYLE, OBJECT)
    are taken for HEAD itself only: carried down through an OBJECT in HEAD they would make
    META and LINK valid in every block of BODY.

    Beside it, what each element holds by its own content model and its own inclusions
    (`own`): an element that an ancestor's inclusion alone allows (INPUT in HTML 2.0, which
    only FORM's inclusion brings) is valid in that ancestor, which the program finds on the
    stack of open tags, and not in every element that may stand between them, where it
    would be valid with no FORM open at all. BODY's inclusions (INS and DEL in HTML 4.01)
    count in every element, as before: all of the document's content is in BODY, and a
    fragment (an LI or a TD first) has no BODY open to find."""
    holds = defaultdict(set)
    own = defaultdict(set)
    seen = set()
    stack = [("HTML", frozenset(), frozenset(), frozenset())]
    while stack:
        state = stack.pop()
        if state in seen:
            continue
        seen.add(state)
        name, inc, exc, everywhere = state
        el = dtd.elements[name]
        if el.kind != "MODEL":
            continue
        allowed = (el.children | inc | el.incl) - exc - el.excl
        own[name] |= (el.children | el.incl | everywhere) - exc - el.excl
        child_inc = inc if name == "HEAD" else inc | el.incl
        child_everywhere = everywhere | el.incl if name == "BODY" else everywhere
        child_exc = exc | el.excl
        for child in allowed:
            holds[name].add(child)
            stack.append((child, frozenset(child_inc), frozenset(child_exc),
                          frozenset(child_everywhere)))
    reached = {"HTML"} | {c for cs in holds.values() for c in cs}
    return holds, own, reached


def closure(holds, dtd, name):
    """What an element may hold, also through children whose start tag may be left out
    (TBODY in TABLE, HEAD and BODY in HTML)."""
    result = set(holds[name])
    frontier = [c for c in result if dtd.elements[c].start_omit]
    done = set()
    while frontier:
        s = frontier.pop()
        if s in done:
            continue
        done.add(s)
        for c in holds[s]:
            result.add(c)
            if dtd.elements[c].start_omit:
                frontier.append(c)
    return result


def derive(family):
    dtd = family.dtd
    holds, own, reached = reach(dtd)
    full = {name: closure(holds, dtd, name) for name in reached}
    full_own = {name: closure(own, dtd, name) for name in reached}

    # `valid`: where a tag may stand, an ancestor's inclusions counted; `valid_own`: the
    # valid range written, each inclusion counted in the element that makes it.
    valid = defaultdict(set)
    valid_own = defaultdict(set)
    notes = defaultdict(list)
    for container in reached:
        for child in full[container]:
            valid[child].add(container)
        for child in full_own[container]:
            valid_own[child].add(container)

    # HEAD's end tag may be left out before BODY's content (or a FRAMESET): whatever HTML
    # holds may follow HEAD's start tag.
    for child in full["HTML"] - {"HEAD"}:
        valid[child].add("HEAD")
    for child in full_own["HTML"] - {"HEAD"}:
        valid_own[child].add("HEAD")

    # The document may start with HTML, or with the elements whose start tags may be left
    # out before the first one written: HEAD, and BODY where HTML holds it.
    first = {"HTML"}
    frontier = ["HTML"]
    while frontier:
        for c in holds[frontier.pop()]:
            if dtd.elements[c].start_omit and c not in first:
                first.add(c)
                frontier.append(c)

    # BODY's end tag may be left out, but where BODY ends only the document ends (HTML
    # holds nothing after it but, in HTML 2.0 and 3.2, PLAINTEXT): an open BODY is the
    # container of what follows it. So BODY is in the invalid range of the elements that may
    # not stand in BODY's content (TITLE, META, LINK, BASE, HEAD...), the one element with
    # an omissible end tag in invalid ranges. Not where BODY stands in NOFRAMES (frameset).
    body_rule = "BODY" in reached and all(
        "BODY" not in holds[name] for name in reached if name != "HTML")
    in_body = set()
    if body_rule:
        frontier = ["BODY"]
        while frontier:
            for c in holds[frontier.pop()]:
                if c not in in_body:
                    in_body.add(c)
                    frontier.append(c)
        after_body = holds["HTML"] - {"HEAD", "BODY"}

    containers = [name for name in reached
                  if not dtd.elements[name].end_omit and dtd.elements[name].kind == "MODEL"]
    entries = []
    for name in sorted(reached, key=lambda n: dtd.elements[n].order):
        el = dtd.elements[name]
        # Elements with a required end tag that may not hold it: the tag does not belong
        # in them. Exclusions (A in A, FORM in FORM...) are among them.
        inv = {c for c in containers if c not in valid[name]}
        v = set(valid_own[name]) or set(valid[name])
        excluders = sorted(c for c in reached if name in dtd.elements[c].excl)
        if excluders:
            notes[name].append(f"{name} is excluded from {and_list(excluders)}")
        if body_rule and name not in in_body and name not in after_body:
            inv.add("BODY")
            notes[name].append(f"{name} may not follow BODY's start tag: BODY is in its invalid"
                               " range")
        for c in sorted(v):
            if name in own[c] or name in holds[c] or c in ("HEAD", "HTML"):
                continue
            omitted = sorted(s for s in own[c] if dtd.elements[s].start_omit)
            notes[name].append(f"valid in {c}: {and_list(omitted)}'s start tag may be left out")
        # HEAD may open the document, HTML's start tag left out, and then what follows
        # "</head>" (BODY, FRAMESET, "</html>") still belongs to that HTML. Without "(first
        # tag)", a first HEAD is out of range and the program opens the first element of its
        # range, HTML, for it. (BODY keeps "(first tag)": a document may not open with BODY,
        # as HEAD and its TITLE are required, but a fragment of a page may.)
        if name == "HEAD":
            notes[name].append("HEAD may open the document, HTML's start tag left out: HEAD is"
                               " then taken as the content of an HTML element")
        elif name in first:
            v.add("(first tag)")
        assert not (v & inv), (family.key, name, v & inv)
        entries.append(TagEntry(el, v, inv, notes[name]))
    return entries


# ---------------------------------------------------------------------------------------
# Attributes: one entry per name, value list and required flag


class AttributeEntry:
    def __init__(self, name, types, values, required):
        self.name = name
        self.types = types
        self.values = values
        self.required = required
        self.users = defaultdict(list)    # family key -> element names
        self.label = None

    @property
    def key(self):
        return (self.name, tuple(self.types), tuple(self.values), self.required)

    def ref(self):
        return f"{self.name}@{self.label}" if self.label else self.name


def collect_attributes(families):
    table = {}
    for family in families:
        for entry in family.entries:
            refs = []
            declared_list = entry.element.attributes or []
            tokens = {v for _, d, _, _ in declared_list if isinstance(d, tuple) for v in d}
            for attr, declared, hint, default in declared_list:
                types, values = value_list(attr, declared, hint)
                # SGML lets a start tag give an enumerated value alone, with the attribute's
                # name and "=" left out: <TABLE border> is FRAME="border", as HTML 4.01 reads
                # it. Markwise takes that word for the attribute of its name, which therefore
                # also takes no value.
                if attr.lower() in tokens and "(no value)" not in types:
                    types = ["(no value)"] + types
                a = AttributeEntry(attr, types, values, default == "#REQUIRED")
                a = table.setdefault(a.key, a)
                if entry.element.name not in a.users[family.key]:
                    a.users[family.key].append(entry.element.name)
                refs.append(a)
            entry.attributes = refs
    attributes = list(table.values())
    # Names that several entries share get labels, and every reference uses them. The entry
    # that most tags use is "dtd-" and its name (DIR@dtd-dir); the others add the first
    # element that uses them (ALIGN@dtd-img-align), and the family where that is taken.
    # Labels are unique across all the texts, hence the prefix.
    by_name = defaultdict(list)
    for a in attributes:
        by_name[a.name].append(a)
    order = [f.key for f in families]
    taken = set()
    for name, group in by_name.items():
        if len(group) < 2:
            continue
        group.sort(key=lambda a: first_use(a, order))
        main = max(group, key=lambda a: sum(len(users) for users in a.users.values()))
        main.label = f"dtd-{name}".lower()
        taken.add(main.label)
        for a in group:
            if a is main:
                continue
            family_key = next(k for k in order if a.users.get(k))
            label = f"dtd-{a.users[family_key][0]}-{name}".lower()
            if label in taken:
                label += "-" + family_key
            taken.add(label)
            a.label = label
    return attributes


def and_list(names):
    return names[0] if len(names) == 1 else ", ".join(names[:-1]) + " and " + names[-1]


def first_use(a, order):
    for i, key in enumerate(order):
        if a.users.get(key):
            return (i, a.users[key][0])
    return (len(order), "")


# ---------------------------------------------------------------------------------------
# Writing the texts


def words_block(field, words, indent="  ", width=96):
    """A list field over as many lines as it needs (repeated list lines append)."""
    lines = []
    line = indent + field
    for w in words:
        if len(line) + 1 + len(w) > width and line != indent + field:
            lines.append(line)
            line = indent + field
        line += " " + w
    lines.append(line)
    return lines


def quote(word):
    if re.fullmatch(r"[A-Za-z0-9._\-@:]+", word) and not word.startswith("#"):
        return word
    return '"' + word.replace("\\", "\\\\").replace('"', '\\"') + '"'


def sort_key(name):
    return (not name.startswith("("), name.lower())


# Valid ranges in name order, but BODY first: for a document whose first tag is out of range
# (a fragment, an included file), the program assumes the fragment belongs in the first
# element of the range, and for the content of BODY that is BODY.
def range_key(name):
    return (name != "BODY",) + sort_key(name)


def tag_block(family, entry, category):
    el = entry.element
    out = []
    for note in entry.notes:
        out += wrap_comment(note[0].upper() + note[1:] + ".")
    out.append(f"tag {el.name}")
    out.append(f"  category {quote(category)}")
    if el.kind == "EMPTY":
        closing = "none"
    elif el.end_omit:
        closing = "optional"
    else:
        closing = "required"
    out.append(f"  closing {closing}")
    ignored = el.kind in IGNORED_CONTENT or el.name in IGNORED_ELEMENTS
    out.append("  ignore-to-closing " + ("yes" if ignored else "no"))
    out.append("  show-message no")
    out.append("  warn-no-attributes no")
    if family.dtd.must_hold(el.name):
        out.append("  content required")
    if entry.valid:
        out += words_block("valid-in", [quote(n) for n in sorted(entry.valid, key=range_key)])
    if entry.invalid:
        out += words_block("invalid-in", [quote(n) for n in sorted(entry.invalid, key=sort_key)])
    if entry.attributes:
        refs = sorted({a.ref() for a in entry.attributes}, key=lambda r: r.lower())
        out += words_block("attributes", refs)
    return out


def attribute_block(a, category, with_users, titles):
    out = []
    if with_users:
        users = "; ".join(f"{', '.join(names)} ({titles[key]})" for key, names in a.users.items())
        out += wrap_comment(f"{a.name} of {users}")
    out.append(f"attribute {a.name}")
    if a.label:
        out.append(f"  label {a.label}")
    out.append(f"  category {quote(category)}")
    out.append("  required " + ("yes" if a.required else "no"))
    out.append("  warn-if-missing no")
    out.append("  show-message no")
    out.append("  show-invalid-message no")
    out += words_block("values", [quote(v) for v in sorted(a.types + a.values, key=sort_key)])
    return out


def wrap_comment(text, width=94):
    lines = []
    line = "#"
    for w in text.split(" "):
        if len(line) + 1 + len(w) > width and line != "#":
            lines.append(line)
            line = "#  "
        line += " " + w
    lines.append(line)
    return lines


def comment_lines(text):
    return ["# " + line if line else "#" for line in text.split("\n")]


def banner(title):
    return ["# " + "-" * 87, "# " + title]


def write(path, lines):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")


def derived_from(family):
    return comment_lines(
        f"\nDerived from the W3C DTD {family.dtd_file} by tools/dtd_rules.py: one tag entry\n"
        "per element, in the DTD's order under its headings.\n"
        "\n"
        "- closing: required for \"- -\", optional where the end tag may be left out, none for\n"
        "  EMPTY elements; ignore-to-closing for the elements declared CDATA (no markup inside)\n"
        "  and for TEXTAREA, whose text is shown as typed.\n"
        "- valid-in: the elements whose content may hold the tag in some place of a document,\n"
        "  inclusions and exclusions applied as SGML has them, and also through start tags that\n"
        "  may be left out (BODY's content is valid in HTML, TBODY's in TABLE). HEAD's end tag\n"
        "  may be left out too, so what HTML holds is valid in HEAD as well. HEAD's inclusions\n"
        "  (META, LINK...) count for HEAD itself, not for the content of an OBJECT in HEAD.\n"
        "  \"(first tag)\": HTML, and BODY, whose start tag may open a fragment. HEAD may open the\n"
        "  document too, HTML's start tag left out: its range, HTML, is then opened for it.\n"
        "- invalid-in: the elements with a required end tag that may not hold the tag, exclusions\n"
        "  among them (A in A, FORM in FORM). One element with an omissible end tag is there\n"
        "  too: BODY, in the ranges of what may not stand in it (TITLE, META, HEAD...), since\n"
        "  nothing but the end of the document closes a BODY (PLAINTEXT, which may follow BODY\n"
        "  in HTML 2.0 and 3.2, aside).\n"
        "- attributes: those of the element's ATTLIST; the entries are described in\n"
        "  html4-common.txt.")


def family_text(family, attributes, titles):
    lines = comment_lines(family.heading) + derived_from(family)
    own = [a for a in attributes if list(a.users) == [family.key]]
    section = None
    for entry in family.entries:
        if entry.element.section != section:
            section = entry.element.section
            lines += [""] + banner(section)
        lines.append("")
        lines += tag_block(family, entry, family.category)
    if own:
        lines += [""] + banner(f"Attributes of {family.title} alone (the shared ones are in "
                               "html4-common.txt)")
        for a in sorted(own, key=lambda a: (a.name, a.label or "")):
            lines.append("")
            lines += attribute_block(a, family.category, False, titles)
    return lines


def common_text(families, attributes, titles):
    shared = [a for a in attributes if len(a.users) > 1]
    values = sorted({v for a in attributes for v in a.values}, key=str.lower)
    lines = comment_lines(
        "What the HTML 2.0 to 4.01 families share: the enumerated attribute values, and the\n"
        "attributes that several families declare alike (same name, same values, same required\n"
        "flag). Both are in category (all): an attribute is reached only through the tags that\n"
        "list it, and those belong to their family's category.\n"
        "\n"
        "Derived from the W3C DTDs by tools/dtd_rules.py. Where several attributes share a name\n"
        "(ALIGN of images, of paragraphs, of table cells...), each has a label: \"dtd-\" and the\n"
        "name for the one most tags use, with the first element that uses it for the others\n"
        "(ALIGN@dtd-img-align); the tags refer to them as NAME@LABEL. The comment above each\n"
        "attribute says which tags use it.\n"
        "\n"
        "Values: enumerations are value entries; text, URIs and scripts (CDATA) take\n"
        "\"(string 4)\" and \"(null string 4)\"; names and ids \"(string 4)\"; numbers and\n"
        "%Pixels integers; %Length adds percentages; %MultiLength (the widths of COL and\n"
        "COLGROUP) is text, as the DTD has it, since pages write CSS lengths (\"150px\") there;\n"
        "%Color the sixteen colour names and #RRGGBB; %Character one character.\n"
        "Boolean attributes (a one-word enumeration) take \"(no value)\" and their own name.\n"
        "#FIXED attributes (VERSION, and the SDA attributes of HTML 2.0) take \"(string 4)\":\n"
        "their one value is not pinned down.")
    lines += [""] + banner("Attribute values (enumerations)")
    for v in values:
        lines += ["", f"value {quote(v)}", "  category (all)", "  quotes may-either",
                  "  case insensitive"]
    lines += [""] + banner("Attributes shared by several families")
    for a in sorted(shared, key=lambda a: (a.name, a.label or "")):
        lines.append("")
        lines += attribute_block(a, "(all)", True, titles)
    return lines


def frameset_entries(frameset, transitional):
    """The frameset family's new elements, and second entries for the elements the
    frameset DTD lets stand where the transitional one does not."""
    known = {e.element.name: e for e in transitional.entries}
    kept = []
    for entry in frameset.entries:
        name = entry.element.name
        base = known.get(name)
        if base is None:
            kept.append(entry)
            continue
        extra = entry.valid - base.valid
        if not extra:
            continue
        b = base.element
        e = entry.element
        assert (b.end_omit, b.kind) == (e.end_omit, e.kind), name
        assert b.attributes == e.attributes, name
        entry.notes = ([f"a second {name}: the frameset DTD puts it in {and_list(sorted(extra))}"]
                       + entry.notes)
        kept.append(entry)
    return kept


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--dtd-dir", default=DEFAULT_DTD_DIR)
    parser.add_argument("--out-dir", default=DEFAULT_OUT_DIR)
    args = parser.parse_args()
    if not os.path.isdir(args.dtd_dir):
        sys.exit(f"no DTDs in {args.dtd_dir}: apt-get install w3c-sgml-lib, or give --dtd-dir")

    for family in FAMILIES:
        family.dtd = Dtd(os.path.join(args.dtd_dir, family.dtd_file), args.dtd_dir)
        family.entries = derive(family)
    by_key = {f.key: f for f in FAMILIES}
    by_key["f401"].entries = frameset_entries(by_key["f401"], by_key["t401"])

    attributes = collect_attributes(FAMILIES)
    titles = {f.key: f.title for f in FAMILIES}

    write(os.path.join(args.out_dir, "html4-common.txt"), common_text(FAMILIES, attributes, titles))
    for family in FAMILIES:
        write(os.path.join(args.out_dir, family.text), family_text(family, attributes, titles))

    tags = sum(len(f.entries) for f in FAMILIES)
    values = len({v for a in attributes for v in a.values})
    print(f"{tags} tag entries, {len(attributes)} attributes, {values} values", file=sys.stderr)


if __name__ == "__main__":
    main()
