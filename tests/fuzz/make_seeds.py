#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus, drawn from the edge cases the program is
known to meet. Run it from the repository root after changing it:

    python3 tests/fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\x1e"
PROGRAM = b'"C:\\Ext\\Tipstart.exe" '
YES, NO = b"\x06", b"\x07"


def run_seed(line, v2=b"", v30=b"", v35=b"", v4=b"", v5=b"", short=b"", system=b"", answers=b"", pick=b""):
    return SEP.join([line, v2, v30, v35, v4, v5, short, system, answers, pick])


def sz(text):
    return text + b"\0"


RUN = {
    "typical_v3": run_seed(PROGRAM + b"^3docs\\one.txt", v35=sz(b"C:\\Obx35"), short=b"C:\\Ext\\docs\\one.txt"),
    "v3_fallback": run_seed(PROGRAM + b"^3docs\\one.txt", v35=sz(b"C:"), v30=sz(b"C:\\Obx30")),
    "v4_doubled_separator": run_seed(PROGRAM + b"^4docs\\one.txt", v4=sz(b"C:\\Obx4\\")),
    "v4_three_spaces": run_seed(PROGRAM + b"^4a", v4=sz(b"   ")),
    "v5_present": run_seed(PROGRAM + b"^5docs\\five.doc", v5=sz(b"C:\\Obx5")),
    "v2_stored": run_seed(PROGRAM + b"^2docs\\one.txt", v2=sz(b"C:\\O2\\")),
    "v2_ask_no": run_seed(PROGRAM + b"^2docs\\one.txt", answers=NO),
    "v2_ask_yes_pick": run_seed(PROGRAM + b"^2docs\\one.txt", system=b"C:\\WINDOWS\\system32", answers=YES,
                                pick=b"C:\\Tools\\O2\\ob.exe"),
    "v2_ask_yes_cancel": run_seed(PROGRAM + b"^2docs\\one.txt", system=b"C:\\WINDOWS\\system32", answers=YES),
    "v2_short_pick": run_seed(PROGRAM + b"^2x", answers=YES, pick=b"ob.exe"),
    "reset": run_seed(PROGRAM + b"^2Reset_  ", v2=sz(b"C:\\O2\\")),
    "reset_lower": run_seed(PROGRAM + b"^2reset_", v2=sz(b"C:\\O2\\")),
    "unserved": run_seed(PROGRAM + b"^7docs\\one.txt"),
    "empty_argument": run_seed(PROGRAM + b"^"),
    "no_marker": run_seed(PROGRAM + b"3docs\\one.txt"),
    "marker_first": run_seed(b"^3docs\\one.txt"),
    "marker_second": run_seed(b"x^3docs\\one.txt"),
    "quotes_and_spaces": run_seed(b'"C:\\My Ext\\Tipstart.exe"  ^ 3 "my docs\\one.txt"', v35=sz(b"C:\\O")),
    "other_name": run_seed(b'"C:\\Ext\\TIPSTART.EXE" ^3a.txt', v35=sz(b"C:\\O")),
    "marker_in_folder": run_seed(b'"C:\\A^5b\\Tipstart.exe" ^3x', v5=sz(b"C:\\5")),
    "no_separator": run_seed(b"Tipstart.exe ^3one.txt", v35=sz(b"C:\\O")),
    "high_bytes": run_seed(PROGRAM + b"^3d\x80\xff\xe9\\one.txt", v35=sz(b"C:\\\xe9")),
    "long_line": run_seed(PROGRAM + b"^3" + b"d" * 32000, v35=sz(b"C:\\O")),
    "long_target": run_seed(b'"C:\\Ext\\tipstart.exe" ^3' + b"d" * 1500, v35=sz(b"C:\\O")),
    "value_2048": run_seed(PROGRAM + b"^4a", v4=sz(b"C" * 2048)),
    "value_2047": run_seed(PROGRAM + b"^4a", v4=sz(b"C" * 2047)),
    "value_4096": run_seed(PROGRAM + b"^3a", v35=sz(b"C" * 4096), v30=sz(b"C:\\O")),
    "value_binary": run_seed(PROGRAM + b"^4a", v4=b"\xcc" * 2048),
    "value_dword": run_seed(PROGRAM + b"^4a", v4=struct.pack("<I", 0x00636261)),
    "value_one_character": run_seed(PROGRAM + b"^4a", v4=sz(b"C")),
    "v5_absent": run_seed(PROGRAM + b"^5docs\\five.doc"),
    "v3_absent": run_seed(PROGRAM + b"^3docs\\one.txt", v35=sz(b"C:"), v30=sz(b"C")),
    "v5_empty_target": run_seed(b'"Tipstart.exeA^5', v5=sz(b"C:\\")),
    "version_letter": run_seed(PROGRAM + b"^xdocs"),
    "version_high_byte": run_seed(PROGRAM + b"^\xb3docs"),
    "v3_short_with_blanks": run_seed(PROGRAM + b"^3docs\\", v35=sz(b"C:\\Obx35"), short=b"D:\\Help Files\\docs\\"),
    "v3_short_too_long_quoted": run_seed(PROGRAM + b"^3x", v35=sz(b"C:\\Obx35"),
                                         short=b"D:\\ " + b"x" * 2042 + b"\\"),
    "v2_pick_other_name": run_seed(PROGRAM + b"^2docs\\one.txt", answers=YES, pick=b"C:\\Tools\\oberix.exe"),
    "v2_pick_upper_case": run_seed(PROGRAM + b"^2docs\\one.txt", answers=YES, pick=b"C:\\Tools\\OB.EXE"),
    "v2_pick_missing": run_seed(PROGRAM + b"^2docs\\one.txt", answers=YES, pick=b"?C:\\Tools\\ob.exe"),
    "v2_long_pick": run_seed(PROGRAM + b"^2x", answers=YES, pick=b"C:\\" + b"p" * 3000 + b"\\ob.exe"),
}

TEXT = {
    "find_abc": b"\x03\x00\x00\x00" + b"\xff\xff\xff\xff" + b"\x00" * 40 + b"\x01c" + b"abc",
    "remove_aabb": b"\x00" * 48 + b"\x02ab" + b"aabb",
    "trim_formfeed": b"\x00" * 48 + b"\x01 " + b"  a\x0c",
    "high_bytes": b"\x00" * 48 + b"\x01\x80" + b"\x7f\x80\xff",
}


def page_seed(path, mode=b"\x10"):
    return mode + open(os.path.join(HERE, "..", "..", path), "rb").read()


OBJECT = (b'<OBJECT classid="clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11">'
          b'<PARAM name="Command" value="ShortCut"><PARAM name="Item1" value=",Tipstart.exe,%s"></OBJECT>')

CHECK = {
    "example_pages": page_seed("examples/help/pages/obx3and4.htm"),
    "example_reset": page_seed("examples/help/pages/oberix2.htm"),
    "faults": page_seed("tests/checker/faults.htm"),
    "references": b"\x10" + OBJECT % b"^3&#x64;ocs\\one.txt&amp;&#99999999999;&#xD800;&nosuch;&#;&",
    "unclosed": b"\x00<OBJECT classid='clsid:52A2AAAE-085D-4187-97EA-8C30DB990436'><param name=item1 value=',tipstart.exe,^2",
    "comment_and_script": b"\x00<!-- <OBJECT> --><script>'<OBJECT'</script>" + OBJECT % b"^4x",
    "list": b"\x11\"C:\\Help\\Tipstart.exe\" ^3docs\\one.txt\r\n# comment\r\n\r\nTipstart.exe ^2Reset_\n  tipstart.exe\t^9",
    "chm_signature_only": b"\x02ITSF\x03\x00\x00\x00\x60",
    # Page text: a mark, a declared charset, a Japanese help file's code page,
    # lone CRs, and names the package holds in another case or form.
    "utf8_mark": b"\x10\xEF\xBB\xBF" + OBJECT % "^3docs\\česky.txt.".encode(),
    "utf16_mark": b"\x00" + (b"\xFF\xFE" + (OBJECT % b"^5five.obx").decode().encode("utf-16-le")),
    "meta_charset": b"\x10<meta http-equiv=Content-Type content='text/html; charset=windows-1251'>\r"
                    + OBJECT % b"^4\xdc\xe1\xe5\xf0\xe1\xeb\xe8\xf6\xea\\\xdf.txt",
    "shift_jis_language": b"\x30" + OBJECT % b"^3docs\\\x93\xfa\x96\x7b.txt\xff",
    "names": b"\x11Tipstart.exe ^3DOCS/sub/./../one.txt \x2e\rTipstart.exe ^4docs\\nosuch\\..\\sub\\two.txt\r"
             b"Tipstart.exe ^2\\\xc3\x9cberblick\\\xc3\x9f.TXT\r",
    # Comments as HTML5 ends them, conditional comments, text elements, and
    # objects inside objects.
    "comments": b"\x10<!--><!---><!-- a --!>" + OBJECT % b"^3a" + b"<!--[if lt IE 8]>" + OBJECT % b"^3b"
                + b"<![endif]--><!--[if !(IE 6)|(IE 7.0)&gte IE 5.5]><!--[if IE]>",
    "ie_edge": b"\x10<meta http-equiv=X-UA-Compatible content='IE=edge; IE=EmulateIE7'><!--[if IE]>" + OBJECT % b"^3c",
    "text_elements": b"\x10<title>" + OBJECT % b"^3a" + b"</title><textarea><xmp></textarea><plaintext><OBJECT",
    "nested_objects": b"\x10<OBJECT classid='clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11'><PARAM name=Command value=ShortCut>"
                      b"<object data=a.png><object></OBJECT><PARAM name=Item1 value=',Tipstart.exe,^3x'></object></object>",
    # Named references HTML5 reads with and without ";", and C1 numbers.
    "named_references": b"\x10" + OBJECT % b"^3caf&eacute;&notin;&notit;&not=&AMP&fjlig;&#150;&#x9D;&#x80&CounterClockwiseContourIntegral;",
    # Scripts that write markup, build controls, and click them.
    "script_jscript": b"\x10<OBJECT id=s classid='clsid:adb880a6-d8ff-11cf-9377-00aa003b7a11'></OBJECT><script>// '\n"
                      b"/*'*/ var r = /'[\"]/; document.write('\\x3COBJECT classid=\"clsid:adb880a6-d8ff-11cf-9377-"
                      b"00aa003b7a11\">' +\n \"<PARAM name='Command' value='ShortCut'>\" + '<PARAM name=\"Item1\" "
                      b"value=\",Tipstart.exe,^3\\u0064\\\\x.txt\">' + x + '\\\n'); s.Click(); '\\u12</script>",
    "script_vbscript": b"\x10<script language=VBScript>Rem \"\r\ndocument.write \"<OBJECT classid=\"\"clsid:adb880a6-d8ff-"
                       b"11cf-9377-00aa003b7a11\"\">\" & _\r\n Chr(60) & \"PARAM name=Item1 value=\" & ChrW(34) & vbCrLf"
                       b" & x & \"ShortCut\"\r\ns.Click</script><body onload=\"s.Click()\" onclick='document.write(&quot;<b&quot;'>",
    "script_built": b"\x10<script>var o = document.createElement('object'); o.setAttribute('classid', "
                    b"'clsid:52a2aaae-085d-4187-97ea-8c30db990436'); o.innerHTML = '<param name=Command value=ShortCut>' + c;"
                    b"</script><script>'unclosed",
}


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


write(os.path.join(HERE, "corpus", "run"), RUN)
write(os.path.join(HERE, "corpus", "text"), TEXT)
write(os.path.join(HERE, "corpus", "check"), CHECK)
