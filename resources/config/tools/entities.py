#!/usr/bin/env python3
"""Writes resources/config/entities.txt: the named character entities of today's HTML that
Markwise's built-in tables lack, as configuration entities of the category
"HTML living standard entities".

Today's HTML names about 2,100 entities (Python's html.entities.html5 holds the table); the
built-in tables hold the 250 of HTML 4, and a configuration holds at most 999 entries of a
kind. The text therefore takes the names people write: it leaves out, in this order, the
names of several characters at once, the mathematical alphanumeric letters (&Afr; &Aopf;
&Ascr; ...), and the long mixed-case aliases that MathML brought (&DoubleLongLeftArrow;,
kept only where a character has no other name), and then takes the rest by block, the
blocks that pages use most first, until the slots left beside the built-in entries are full.
Names that differ only in case are kept or left out together (&LeftArrow; beside &Leftarrow;,
&Not; beside the built-in &not;), so that a name written in one case is never taken for
another character's name written in another.

Run: python3 resources/config/tools/entities.py > resources/config/entities.txt
"""
import html.entities
import sys

# A kind holds 999 entries; the built-in entries take four of the entity kind (the names of
# the built-in tables, "(HTML 2.0 entities)" and the others).
LIMIT = 999 - 4

BUILTIN = set("""
Aacute aacute Acirc acirc acute AElig aelig Agrave agrave Aring aring Atilde atilde Auml
auml brvbar Ccedil ccedil cedil cent copy curren deg divide Eacute eacute Ecirc ecirc Egrave
egrave ETH eth Euml euml frac12 frac14 frac34 Iacute iacute Icirc icirc iexcl Igrave igrave
iquest Iuml iuml laquo macr micro middot nbsp not Ntilde ntilde Oacute oacute Ocirc ocirc
Ograve ograve ordf ordm Oslash oslash Otilde otilde Ouml ouml para plusmn pound raquo reg
sect shy sup1 sup2 sup3 szlig THORN thorn times Uacute uacute Ucirc ucirc Ugrave ugrave uml
Uuml uuml Yacute yacute yen yuml amp gt lt quot
alefsym Alpha alpha and ang asymp Beta beta bull cap Chi chi clubs cong crarr cup dArr darr
Delta delta diams empty Epsilon epsilon equiv Eta eta exist forall frasl Gamma gamma ge hArr
harr hearts hellip image infin int Iota iota isin Kappa kappa Lambda lambda lang lArr larr
lceil le lfloor lowast loz minus Mu mu nabla ne ni notin nsub Nu nu oline Omega omega Omicron
omicron oplus or otimes part perp Phi phi Pi pi piv Prime prime prod prop Psi psi radic rang
rArr rarr rceil real rfloor Rho rho sdot Sigma sigma sigmaf sim spades sub sube sum sup supe
Tau tau there4 Theta theta thetasym trade uArr uarr Upsilon upsih upsilon weierp Xi xi Zeta
zeta
bdquo circ Dagger dagger emsp ensp ldquo lrm lsaquo lsquo mdash ndash OElig oelig permil
rdquo rlm rsaquo rsquo sbquo Scaron scaron thinsp tilde Yuml zwj zwnj
""".split())

# HTML 4 names these two as well, but the built-in tables do not hold them: they are kept in
# the category (all), so that every profile, HTML 4.01's too, accepts them.
HTML4_EXTRA = ["euro", "fnof"]

# Blocks in the order pages use them; a name's block is that of its character.
BLOCKS = [
    ("Latin and punctuation", 0x0000, 0x00FF),
    ("Latin Extended", 0x0100, 0x024F),
    ("spacing modifiers and accents", 0x02B0, 0x036F),
    ("Greek", 0x0370, 0x03FF),
    ("Cyrillic", 0x0400, 0x04FF),
    ("general punctuation and spaces", 0x2000, 0x206F),
    ("currency, letterlike symbols and number forms", 0x20A0, 0x218F),
    ("arrows", 0x2190, 0x21FF),
    ("miscellaneous symbols and dingbats", 0x2600, 0x27BF),
    ("technical symbols", 0x2300, 0x23FF),
    ("mathematical operators", 0x2200, 0x22FF),
    ("box drawing, blocks and shapes", 0x2500, 0x25FF),
    ("supplemental arrows and mathematics", 0x27C0, 0x2BFF),
    ("the rest", 0x0000, 0x10FFFF),
]


def is_long_alias(name):
    capitals = sum(1 for c in name if c.isupper())
    return len(name) >= 6 and capitals >= 2


def block_of(char):
    code = ord(char)
    for index, (_, low, high) in enumerate(BLOCKS):
        if low <= code <= high:
            return index
    return len(BLOCKS) - 1


def main():
    table = {k[:-1]: v for k, v in html.entities.html5.items() if k.endswith(";")}
    names = [n for n in table if n not in BUILTIN]
    single = [n for n in names if len(table[n]) == 1]
    plain = [n for n in single if not 0x1D400 <= ord(table[n]) <= 0x1D7FF]
    # A long alias stays when its character has no other name outside the built-in tables.
    by_char = {}
    for n in plain:
        by_char.setdefault(table[n], []).append(n)
    kept = [n for n in plain
            if not is_long_alias(n) or all(is_long_alias(m) for m in by_char[table[n]])]
    # Names that differ only in case are kept or left out together: a name written in another
    # case than the one kept is reported with the kept one as a suggestion (&LeftArrow; would
    # be told "perhaps &Leftarrow;", which is another arrow). A name whose case sibling is
    # kept joins it; the groups with a built-in name, which cannot be left out, come first;
    # the others are taken in the order of their first name until the slots are full.
    order = lambda n: (block_of(table[n][0]), ord(table[n][0]), n.lower(), n)
    kept_set = set(kept)
    groups = {}
    for n in names:
        if n in kept_set or any(m.lower() == n.lower() for m in kept_set | BUILTIN if m != n):
            groups.setdefault(n.lower(), []).append(n)
    # Only the lower-case keys of kept and built-in names hold groups.
    keys = {n.lower() for n in kept_set}
    with_builtin = {n.lower() for n in BUILTIN}
    ranked = sorted((g for k, g in groups.items() if k in keys or k in with_builtin),
                    key=lambda g: (g[0].lower() not in with_builtin, min(order(n) for n in g)))
    chosen = []
    for group in ranked:
        if len(chosen) + len(group) <= LIMIT:
            chosen.extend(group)
    chosen.sort(key=order)
    left_out = len(table) - len(BUILTIN & set(table)) - len(chosen)

    out = sys.stdout
    out.write("# The named character entities of today's HTML that the built-in tables lack\n")
    out.write("# (written by tools/entities.py; see there how the names were chosen: a\n")
    out.write(f"# configuration holds at most 999 entities, and today's HTML names {left_out}\n")
    out.write("# more than fit: mostly mathematical letters and long aliases of characters\n")
    out.write("# that keep a shorter name here). Names are case sensitive, as in documents;\n")
    out.write("# names that differ only in case are kept together.\n")
    out.write("\n# HTML 4's own entities that the built-in tables lack, for every profile\n")
    for n in HTML4_EXTRA:
        out.write(f"entity {n}  # U+{ord(table[n]):04X}\n  category (all)\n")
    block = None
    for n in chosen:
        if n in HTML4_EXTRA:
            continue
        b = block_of(table[n][0])
        if b != block:
            block = b
            out.write(f"\n# {BLOCKS[b][0]}\n")
        code = " ".join(f"U+{ord(c):04X}" for c in table[n])
        out.write(f"entity {n}  # {code}\n  category \"HTML living standard entities\"\n")


if __name__ == "__main__":
    main()
