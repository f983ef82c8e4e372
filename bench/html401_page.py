"""Builds a large HTML 4.01 Transitional page for the speed comparison: articles with headings,
paragraphs with inline markup, links and entities, tables, lists, definition lists and forms.
The same seed gives the same bytes. The page is valid HTML 4.01 Transitional, so that the
shipped profile and a DTD validator both find it clean and every checker reads it whole."""

import random

DOCTYPE = ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN"\n'
           '  "http://www.w3.org/TR/html4/loose.dtd">\n')

WORDS = ("the checker reads every line of a page and reports what it finds about tags attributes "
         "values entities comments and quoting so that an author can mend the page before it is "
         "published on a server where readers with many kinds of browsers will see it").split()

ENTITIES = ("&amp;", "&lt;", "&gt;", "&quot;", "&nbsp;", "&copy;", "&eacute;", "&#169;", "&#xE9;",
            "&mdash;", "&hellip;", "&#8364;", "&#x20AC;", "&reg;", "&agrave;")


class Page:
    def __init__(self, seed):
        self.random = random.Random(seed)
        self.parts = []
        self.size = 0
        self.ids = 0

    def add(self, text):
        self.parts.append(text)
        self.size += len(text)

    def words(self, low, high):
        r = self.random
        return " ".join(r.choice(WORDS) for _ in range(r.randint(low, high)))

    def sentence(self):
        """Text with inline markup and entities, as a paragraph of an article holds."""
        r = self.random
        pieces = []
        for _ in range(r.randint(3, 7)):
            pieces.append(self.words(3, 12))
            kind = r.randrange(9)
            if kind == 0:
                pieces.append(f'<a href="page{r.randrange(1000)}.html#s{r.randrange(50)}">{self.words(1, 4)}</a>')
            elif kind == 1:
                pieces.append(f"<em>{self.words(1, 3)}</em>")
            elif kind == 2:
                pieces.append(f"<strong>{self.words(1, 3)}</strong>")
            elif kind == 3:
                pieces.append(f"<code>{self.words(1, 2)}</code>")
            elif kind == 4:
                pieces.append(r.choice(ENTITIES))
            elif kind == 5:
                pieces.append(f'<span class="note">{self.words(1, 3)}</span>')
            elif kind == 6:
                pieces.append(f'"{self.words(1, 3)}"')
            elif kind == 7:
                pieces.append(f'<font color="#{r.randrange(0x1000000):06x}">{self.words(1, 2)}</font>')
            else:
                pieces.append("<br>")
        return " ".join(pieces) + "."

    def next_id(self):
        self.ids += 1
        return f"n{self.ids}"

    def paragraph(self):
        r = self.random
        text = self.sentence()
        # Long paragraphs wrap at about 78 columns, as authors' editors leave them.
        lines, line = [], ""
        for word in text.split(" "):
            if len(line) + len(word) > 78 and line:
                lines.append(line)
                line = word
            else:
                line = f"{line} {word}" if line else word
        lines.append(line)
        align = ' align="justify"' if r.randrange(5) == 0 else ""
        self.add(f"<p{align}>" + "\n".join(lines) + "</p>\n")

    def table(self):
        r = self.random
        columns = r.randint(2, 5)
        self.add(f'<table border="1" cellpadding="2" cellspacing="0" width="100%" summary="{self.words(2, 5)}">\n')
        self.add(f"<caption>{self.words(2, 5)}</caption>\n<tr>")
        self.add("".join(f"<th>{self.words(1, 2)}</th>" for _ in range(columns)) + "</tr>\n")
        for _ in range(r.randint(3, 8)):
            cells = "".join(f'<td align="{r.choice(("left", "center", "right"))}">{self.words(1, 4)}</td>'
                            for _ in range(columns))
            self.add(f'<tr valign="top">{cells}</tr>\n')
        self.add("</table>\n")

    def listing(self):
        r = self.random
        kind = r.choice(("ul", "ol", "dl"))
        if kind == "dl":
            self.add("<dl>\n")
            for _ in range(r.randint(2, 6)):
                self.add(f"<dt>{self.words(1, 3)}</dt>\n<dd>{self.sentence()}</dd>\n")
            self.add("</dl>\n")
            return
        attributes = ' type="square"' if kind == "ul" else ' start="3"'
        self.add(f"<{kind}{attributes}>\n")
        for _ in range(r.randint(3, 9)):
            self.add(f'<li><a href="#{self.next_id()}">{self.words(1, 5)}</a> {self.words(2, 8)}</li>\n')
        self.add(f"</{kind}>\n")

    def form(self):
        r = self.random
        name = self.next_id()
        self.add(f'<form action="/cgi-bin/find" method="post" name="{name}">\n<p>\n')
        self.add(f'<label for="q{name}">{self.words(1, 2)}</label>\n')
        self.add(f'<input type="text" id="q{name}" name="q" size="30" maxlength="80" value="{self.words(1, 2)}">\n')
        self.add(f'<select name="s{r.randrange(100)}">\n')
        for index in range(r.randint(2, 5)):
            selected = " selected" if index == 0 else ""
            self.add(f'<option value="v{index}"{selected}>{self.words(1, 2)}</option>\n')
        self.add("</select>\n")
        self.add(f'<textarea name="t" rows="4" cols="40">{self.words(3, 9)}</textarea>\n')
        self.add('<input type="checkbox" name="c" value="1" checked>\n')
        self.add('<input type="submit" value="Find">\n</p>\n</form>\n')

    def article(self, number):
        r = self.random
        self.add(f'<div class="article" id="a{number}">\n')
        self.add(f'<h2><a name="s{number}">{self.words(2, 6)}</a></h2>\n')
        if r.randrange(3) == 0:
            self.add(f'<img src="images/p{number}.png" width="{r.randint(40, 400)}" height="{r.randint(40, 300)}" '
                     f'alt="{self.words(1, 4)}" border="0">\n')
        self.add("<!-- the body of the article -->\n")
        for _ in range(r.randint(2, 5)):
            self.paragraph()
        if number % 3 == 0:
            self.table()
        if number % 2 == 0:
            self.listing()
        if number % 7 == 0:
            self.form()
        if number % 5 == 0:
            self.add(f"<blockquote><p>{self.sentence()}</p></blockquote>\n")
        if number % 11 == 0:
            self.add(f"<pre>\n{self.words(4, 10)}\n  {self.words(4, 10)} &lt;tag&gt;\n</pre>\n")
        self.add('<hr noshade size="1">\n</div>\n')


def build(size, seed=401):
    """A page of about `size` bytes (ASCII text)."""
    page = Page(seed)
    page.add(DOCTYPE)
    page.add("<html>\n<head>\n<title>Articles, tables, lists and forms</title>\n"
             '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n'
             '<link rel="stylesheet" type="text/css" href="style.css">\n'
             '<style type="text/css">\n  .note { color: #336; }\n</style>\n'
             "</head>\n")
    page.add('<body bgcolor="#ffffff" text="#000000" link="#0000cc">\n'
             "<h1>Articles, tables, lists and forms</h1>\n")
    number = 1
    while page.size < size - 40:
        page.article(number)
        number += 1
    page.add("</body>\n</html>\n")
    return "".join(page.parts)
