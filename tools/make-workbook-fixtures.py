#!/usr/bin/python3
"""Makes the workbooks that the tests read, in tests/fixtures/workbooks/: one table saved
by real programs (openpyxl, and LibreOffice headless as .xlsx and .ods) beside its CSV
twin, the same table on the second of three sheets, and a few built by hand for what those
programs seldom write. Run it again after a change; the made files are committed."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import openpyxl

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fixtures", "workbooks")

HEADER = ["Name", "Gewicht", "Nr", "Schraffur", "Winkel", "Abstand", "Bemerkung"]
ROWS = [
    ["Stahl", 7.85, 1, 31, 45, 2.5, "Baustahl"],
    ["Edelstahl 1.4301", 7.9, 2, 31, 45, 2, None],
    ["Aluminium eloxiert", 2.7, 3, 32, 0, 1, None],
    ["  Kupfer mit Blanks  ", 8.96, 4, 33, 90, 0.30000000000000004, None],
    ["Messing ÄÖÜß", -0.5, 5, 34, 45, 10000000000000000, None],
    ["Glas", 2.5, 6, 35, 0, 1, "x"],
    ["Quarz", 2.65, 7, 36, True, False],  # only in openpyxl.xlsx: LibreOffice keeps them as 1 and 0
]


def field(value):
    if value is True:
        return "WAHR"
    if value is False:
        return "FALSCH"
    if value is None:
        return ""
    if isinstance(value, float) or isinstance(value, int):
        text = "%.15g" % value
        if "e" in text:
            text = "%d" % value
        return text.replace(".", ",")
    return value


def main():
    os.makedirs(HERE, exist_ok=True)
    # The CSV twin, as the workbooks' table reads.
    with open(os.path.join(HERE, "tabelle.csv"), "w", encoding="utf-8", newline="") as out:
        for row in [HEADER] + ROWS[:-1]:
            cells = [field(v) for v in row]
            while cells and cells[-1] == "":
                cells.pop()
            out.write(";".join(cells) + "\r\n")

    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Materialien"
    for row in [HEADER] + ROWS[:-1]:
        sheet.append(row)
    sheet["B2"].number_format = "0.00"  # shown as 7,85 either way; the value counts
    book.create_sheet("Zweites Blatt")["A1"] = "nicht gelesen"
    book.save(os.path.join(HERE, "openpyxl.xlsx"))
    sheet.append(ROWS[-1])
    book.save(os.path.join(HERE, "wahrheitswerte.xlsx"))

    if shutil.which("soffice"):
        with tempfile.TemporaryDirectory() as work:
            for kind, name in (("ods", "libreoffice.ods"), ("xlsx:Calc MS Excel 2007 XML", "libreoffice.xlsx")):
                subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                                "--convert-to", kind, "--outdir", work, os.path.join(HERE, "openpyxl.xlsx")],
                               check=True, capture_output=True)
                made = os.path.join(work, "openpyxl." + kind.split(":")[0])
                shutil.move(made, os.path.join(HERE, name))
    else:
        print("soffice not found: the LibreOffice workbooks stay as they are", file=sys.stderr)

    sheets()
    formulas()
    hand_made()


def sheets():
    """The table on its own sheet, after a cover sheet whose second row has six cells and a
    stale table that is hidden, saved with the table's tab active: by openpyxl, and by
    LibreOffice from a window."""
    book = openpyxl.Workbook()
    cover = book.active
    cover.title = "Deckblatt"
    cover.append(["Materialdaten der Konstruktion"])
    cover.append(["Stand 2026", "x", "x", "x", "x", "x"])
    old = book.create_sheet("Alt")
    old.append(HEADER)
    old.append(["Altes Material", 1.5, 9, 30, 0, 1])
    old.sheet_state = "hidden"
    table = book.create_sheet("Materialien")
    for row in [HEADER] + ROWS[:-1]:
        table.append(row)
    book.active = 2
    made = os.path.join(HERE, "blaetter-openpyxl.xlsx")
    book.save(made)
    save_from_libreoffice(made, [("blaetter-libreoffice.ods", "calc8"),
                                 ("blaetter-libreoffice.xlsx", "Calc MS Excel 2007 XML")])


def formulas():
    """Formulas as a script writes them, without their results (openpyxl leaves calculating
    to the spreadsheet): in a row of values, one whose result is empty text among them, and a
    row of formulas alone before the last material. Then the same workbook as LibreOffice
    saves it once it has calculated the formulas, as .xlsx and .ods."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Materialien"
    for row in [HEADER[:6],
                ["Stahl", 7.85, 1, 31, 45, 2.5],
                ["Kupfer", "=8.96", 4, 33, "=45*2", '=""'],
                ['="Messing"', "=8.5", "=5", "=34", "=45", "=1"],
                ["Titan", 4.5, 6, 36, 45, 1]]:
        sheet.append(row)
    made = os.path.join(HERE, "formeln-openpyxl.xlsx")
    book.save(made)
    if not shutil.which("soffice"):
        print("soffice not found: the LibreOffice workbooks of formulas stay as they are", file=sys.stderr)
        return
    with tempfile.TemporaryDirectory() as work:
        for kind, name in (("ods", "formeln-libreoffice.ods"), ("xlsx:Calc MS Excel 2007 XML", "formeln-libreoffice.xlsx")):
            subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                            "--convert-to", kind, "--outdir", work, made], check=True, capture_output=True)
            shutil.move(os.path.join(work, "formeln-openpyxl." + kind.split(":")[0]), os.path.join(HERE, name))


def save_from_libreoffice(source, targets):
    """Opens `source` in a LibreOffice window and saves it as each (file name, filter) of
    `targets`. A window it must be: a document opened headless has no view, and LibreOffice
    saves an .ods without the active table then. Without a display, on a virtual one."""
    try:
        import uno
        from com.sun.star.beans import PropertyValue
    except ImportError:
        print("python3-uno not found: the LibreOffice workbooks of several sheets stay as they are", file=sys.stderr)
        return
    if not shutil.which("soffice") or not (os.environ.get("DISPLAY") or shutil.which("xvfb-run")):
        print("soffice or a display not found: the LibreOffice workbooks of several sheets stay as they are",
              file=sys.stderr)
        return
    with tempfile.TemporaryDirectory() as work:
        pipe = "brisel_fixtures_%d" % os.getpid()
        command = ["soffice", "--norestore", "--nologo", "-env:UserInstallation=file://" + work + "/profile",
                   "--accept=pipe,name=%s;urp;" % pipe]
        if not os.environ.get("DISPLAY"):
            command = ["xvfb-run", "-a"] + command
        office = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            for _ in range(600):
                try:
                    context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                    break
                except Exception:
                    time.sleep(0.1)
            else:
                raise RuntimeError("LibreOffice did not answer")
            desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
            document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0, ())
            for name, filter_name in targets:
                option = PropertyValue()
                option.Name, option.Value = "FilterName", filter_name
                document.storeToURL(uno.systemPathToFileUrl(os.path.join(HERE, name)), (option,))
            document.close(True)
            try:
                desktop.terminate()
            except Exception:
                pass  # the connection ends with LibreOffice
            office.wait(timeout=60)
        finally:
            if office.poll() is None:
                office.kill()
                office.wait()


def xlsx(name, sheets, shared=None):
    """A workbook by hand: `sheets` is a list of (name, sheet XML body), the first is first."""
    main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr("_rels/.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % rel)
        # The sheets stand in the workbook in the given order, their files numbered backwards.
        entries = "".join('<sheet name="%s" sheetId="%d" r:id="rId%d"/>' % (title, i + 1, i + 1) for i, (title, _) in enumerate(sheets))
        z.writestr("xl/workbook.xml", '<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets>%s</sheets></workbook>' % (main, rel, entries))
        links = "".join('<Relationship Id="rId%d" Type="%s/worksheet" Target="/xl/worksheets/sheet%d.xml"/>' % (i + 1, rel, len(sheets) - i) for i in range(len(sheets)))
        if shared is not None:
            links += '<Relationship Id="rIdS" Type="%s/sharedStrings" Target="sharedStrings.xml"/>' % rel
            z.writestr("xl/sharedStrings.xml", '<?xml version="1.0"?><sst xmlns="%s">%s</sst>' % (main, shared))
        z.writestr("xl/_rels/workbook.xml.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>' % links)
        for i, (_, body) in enumerate(sheets):
            z.writestr("xl/worksheets/sheet%d.xml" % (len(sheets) - i), '<?xml version="1.0"?><x:worksheet xmlns:x="%s"><x:sheetData>%s</x:sheetData></x:worksheet>' % (main, body))


def ods(name, body):
    office = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", '<?xml version="1.0"?><o:document-content xmlns:o="%s" '
                   'xmlns:t="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:p="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
                   'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0">'
                   '<o:body><o:spreadsheet>%s</o:spreadsheet></o:body></o:document-content>' % (office, body))


def hand_made():
    header = '<x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>Name</x:t></x:is></x:c></x:row>'
    row = lambda n, name: ('<x:row><x:c t="inlineStr"><x:is><x:t>%s</x:t></x:is></x:c><x:c><x:v>7.85</x:v></x:c><x:c><x:v>%d</x:v></x:c>'
                           '<x:c><x:v>31</x:v></x:c><x:c><x:v>45</x:v></x:c><x:c><x:v>2.5</x:v></x:c></x:row>' % (name, n))
    # Inline strings, rich text runs with a phonetic guide, rows and cells without "r", a
    # cell that is only formatted, a first sheet whose file is not sheet1.xml.
    xlsx("handgemacht.xlsx", [
        ("Materialien", header + row(1, "Stahl; verzinkt") +
         '<x:row><x:c t="s"><x:v>0</x:v></x:c><x:c><x:v>2.7</x:v></x:c><x:c><x:v>2</x:v></x:c><x:c><x:v>32</x:v></x:c>'
         '<x:c><x:v>0</x:v></x:c><x:c t="str"><x:f>1</x:f><x:v>1</x:v></x:c><x:c r="H3" s="1"/></x:row>'
         '<x:row r="5"><x:c t="inlineStr"><x:is><x:t>nach der Lücke</x:t></x:is></x:c></x:row>'),
        ("Tabelle1", header + row(1, "falsches Blatt")),
    ], shared='<si><r><t>Alu</t></r><r><t xml:space="preserve">minium </t></r><rPh sb="0" eb="1"><t>ア</t></rPh></si>')
    xlsx("fehlerwert.xlsx", [("Blatt", header + '<x:row><x:c t="inlineStr"><x:is><x:t>Stahl</x:t></x:is></x:c>'
                                      '<x:c r="C2" t="e"><x:f>1/0</x:f><x:v>#VALUE!</x:v></x:c></x:row>')])
    xlsx("zeilenumbruch.xlsx", [("Blatt", header + '<x:row><x:c t="inlineStr"><x:is><x:t>Stahl</x:t></x:is></x:c>'
                                         '<x:c r="B2" t="inlineStr"><x:is><x:t>7,85\nneu</x:t></x:is></x:c></x:row>')])
    # Repeated rows and columns as LibreOffice writes them for formatted empty cells.
    cells = ('<t:table-cell office:value-type="string" xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"><p:p>Stahl<p:s p:c="2"/>S235</p:p></t:table-cell>'
             '<t:table-cell t:number-columns-repeated="2"/>'
             '<t:table-cell o:value-type="float" o:value="31"><p:p>31</p:p></t:table-cell>'
             '<t:table-cell o:value-type="boolean" o:boolean-value="true"/><t:table-cell o:value-type="percentage" o:value="0.25"/>'
             '<t:table-cell t:number-columns-repeated="16377"/>')
    ods("wiederholt.ods", '<t:table t:name="Materialien"><t:table-row><t:table-cell o:value-type="string"><p:p>Name</p:p></t:table-cell></t:table-row>'
        '<t:table-row t:number-rows-repeated="2">%s</t:table-row>'
        '<t:table-row t:number-rows-repeated="1048573"><t:table-cell t:number-columns-repeated="16384"/></t:table-row></t:table>'
        '<t:table t:name="Zwei"><t:table-row><t:table-cell o:value-type="string"><p:p>nicht gelesen</p:p></t:table-cell></t:table-row></t:table>' % cells)


if __name__ == "__main__":
    main()
