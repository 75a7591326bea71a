#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/: inputs taken from the tests'
data, laid out as each target reads its bytes, and the inputs of the faults
the fuzzers found (files named finding-*). Run it again after changing a
target's input layout; libFuzzer adds what it finds beside these."""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class Input:
    """Bytes as FuzzedDataProvider reads them: strings and the rest from the
    front, numbers and booleans from the back."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order they are consumed

    def string(self, s):
        self.front += s.replace(b"\\", b"\\\\") + b"\\ "
        return self

    def rest(self, s):
        self.front += s
        return self

    def number(self, value, top, bits=32):
        count = 0
        while count * 8 < bits and (top >> (count * 8)) > 0:
            count += 1
        for i in reversed(range(count)):
            self.back.append((value >> (8 * i)) & 0xFF)
        return self

    def boolean(self, b):
        return self.number(1 if b else 0, 255, 8)

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read(64 * 1024)
    except OSError:
        return b""


def main():
    # The settings file: section, key, value, write?, then the file.
    ini_test = (b"; edited by hand\r[S]\rSingle= ' a b '\rBare\r\nBare=later\nMixed='x\"\n\n"
                b"[Desconocida]\nx = 1\n; the end\n[Posici\xf3n]\nWasteWell_Left=15\n\n\n")
    ini_options = (b"[Settings]\r\nVersi\xf3n OS=512600\r\nSin sonido=True\r\nHotkeys=Verdadero\r\n"
                   b"[Posici\xf3n]\r\nWasteWell_Left=4830\r\nWasteWell_Top=12abc\r\n"
                   b"[Imagenes]\r\nImagen=ShapedFormFull\r\n")
    ini_utf8 = b"\xef\xbb\xbf[Posici\xc3\xb3n]\nWasteWell_Left=1234.5\n[settings]\nhotkeys=\"True\"\n"
    for i, (section, key, value, w, text) in enumerate([
            (b"S", b"Single", b"1", True, ini_test),
            (b"Posici\xc3\xb3n", b"WasteWell_Top", b"30", True, ini_test),
            (b"Settings", b"Hotkeys", b"Verdadero", False, ini_options),
            (b"Posici\xc3\xb3n", b"WasteWell_Left", b"1235.5", True, ini_utf8),
            (b"Imagenes", b"Imagen", b"Full", True, b""),
            (b"settings", b"HOTKEYS", b"Falso", True, ini_options)]):
        write("profile_file", "seed-%d" % i,
              Input().string(section).string(key).string(value).boolean(w).rest(text).bytes())

    # The kernel's tables: this machine's, and the forms the readers name.
    write("mount_table", "seed-this-machine", read("/proc/self/mountinfo"))
    write("mount_table", "seed-escaped",
          b"36 35 98:0 /mnt1 /mnt\\040with\\011odd\\134names rw,noatime master:1 - ext3 /dev/root rw\n"
          b"37 36 0:5 / /proc/sys/fs/binfmt_misc rw - autofs systemd-1 rw\n")
    write("proc_in_use", "seed-maps", read("/proc/self/maps"))
    write("proc_in_use", "seed-locks",
          read("/proc/locks") or b"1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF\n")
    write("proc_in_use", "seed-both",
          b"7fe0a000-7fe0b000 r-xp 00000000 08:01 131 /usr/lib/x86_64-linux-gnu/libc.so.6\n"
          b"2: POSIX  ADVISORY  READ 5678 fd:00:1234567 128 128\n"
          b"3: OFDLCK ADVISORY  WRITE -1 08:01:99 0 EOF\n")
    write("proc_in_use", "seed-btrfs",
          b"25 1 0:29 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw\n"
          b"40 1 0:39 / /data rw,relatime - btrfs /dev/loop0 rw,subvol=/\n"
          b"1: FLOCK  ADVISORY  WRITE 1234 00:27:5678 0 EOF\n"
          b"7fe0a000-7fe0b000 r--s 00000000 00:27 4321 /data/sub/mapped\n")

    # The stored numbers and on/off words, as the settings tests write them.
    for i, text in enumerate([b"12abc", b"1234,5", b"1234.5", b"1235.5", b"Verdadero", b"True",
                              b"Falso", b"-2147483648.5", b"2147483647.5", b"1e10", b" 30",
                              b"\x00\x10\x00\x00"]):
        write("stored_number", "seed-%d" % i, text)

    # The remembered volume tops, and the lines that named no trash.
    write("trash_volumes", "seed-tops", b"/media/usb\n/mnt/disk%20two\n/srv/btrfs/VMs\n")
    for name, text in [("finding-nul-percent", b"/tmp/dir/victim%00\n"),
                       ("finding-nul-raw", b"/tmp/dir/victim\x00/x\n"),
                       ("finding-dotdot", b"/tmp/dir/victim/sub/..%00\n/tmp/dir/victim/..\n"),
                       ("seed-relative", b"vol/victim\n\n%2Fok\n")]:
        write("trash_volumes", name, text)

    # A home trash: items (name, info, kind, size), then directorysizes.
    info = (b"[Trash Info]\nPath=/home/u/Documentos/informe%20final.odt\n"
            b"DeletionDate=2024-05-01T10:00:00\n")
    sizes = b"16384 1714557600000 informe%20final.odt\n4096 1714557600000 carpeta\n"

    def trash(items, directorysizes):
        inp = Input().number(len(items), 6)
        for name, body, kind, size in items:
            inp.string(name).string(body).number(kind, 3)
            if kind in (1, 2):
                inp.number(size, (1 << 62) + 1, 64)
        return inp.rest(directorysizes).bytes()

    write("trash_listing", "seed-items",
          trash([(b"informe final.odt", info, 1, 16384), (b"carpeta", info, 2, 2048),
                 (b"sin-info", b"", 0, 0)], sizes))
    write("trash_listing", "seed-odd-sizes", trash([(b"x", info, 1, 5)], b"no numbers\n1 2\n\n"))
    # The same name first as a file, then as a folder.
    write("trash_listing", "seed-same-name-twice",
          trash([(b"n", info, 1, 3), (b"n", info, 2, 4)], b""))
    write("trash_listing", "finding-two-huge-files-in-a-folder",
          trash([(b"pair", info, 2, 1 << 62)], b""))
    write("trash_listing", "finding-huge-files-together",
          trash([(b"a", info, 1, (1 << 62) + 1), (b"b", info, 1, (1 << 62) + 1)], b""))

    # Info files as the listing and the restore read them.
    for i, text in enumerate([
            info, b"[Trash Info]\r\nPath=Documentos/a%2Fb\r\nDeletionDate=2024-02-30T25:61:61\r\n",
            b"[Other]\nPath=/x\n[Trash Info]\nDeletionDate=1999-12-31T23:59:59\nPath=/y%00z\n",
            b"[Trash Info]\nPath=/a/./b/../c\nDeletionDate=-999-01-01T00:00:00\n"]):
        write("trash_info", "seed-%d" % i, text)

    # The region builder: width, height, button?, then one byte per pixel.
    def picture(w, h, button, rows):
        inp = Input().number(w, 48).number(h, 48).boolean(button)
        return inp.rest(bytes(rows)).bytes()

    ring = [0 if (x in (0, 7) or y in (0, 7)) else 200 for y in range(8) for x in range(8)]
    write("region_builder", "seed-ring", picture(8, 8, False, ring))
    write("region_builder", "seed-button", picture(8, 8, True, ring))
    write("region_builder", "seed-near-key", picture(4, 2, False, [255, 0, 255, 0, 0, 255, 0, 255]))

    # The skin icons as they ship.
    skins = os.path.join(HERE, "..", "shape", "skins")
    for n in sorted(os.listdir(skins)) if os.path.isdir(skins) else []:
        if n.endswith(".ico"):
            write("skin_icon", "seed-" + n[:-4], read(os.path.join(skins, n)))

    # The weather answers in the services' shapes (as the tests' answers are).
    owm = (b'<?xml version="1.0" encoding="UTF-8"?>\n<current><city id="1234567" name="Madrid">'
           b'<country>ES</country></city><temperature value="20.5" min="18" max="22.25" '
           b'unit="metric"></temperature><humidity value="81" unit="%"></humidity><pressure '
           b'value="1013" unit="hPa"></pressure><wind><speed value="5" unit="m/s" name="Gentle '
           b'Breeze"></speed></wind><weather number="800" value="cielo claro" icon="01d">'
           b'</weather><lastupdate value="2024-01-02T03:04:05"></lastupdate></current>')
    feed = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>\n<rss version="2.0" '
            b'xmlns:yweather="http://xml.weather.yahoo.com/ns/rss/1.0">\n<channel>\n<title>Yahoo! '
            b'Weather - Madrid, SP</title>\n<link>http://us.rd.yahoo.com/dailynews/rss/weather/'
            b'Madrid__SP/*http://weather.yahoo.com/forecast/SPXX0050_c.html</link>\n'
            b'<yweather:location city="Madrid" region="MD"   country="Spain"/>\n'
            b'<yweather:units temperature="C" distance="km" pressure="mb" speed="km/h"/>\n'
            b'<yweather:wind chill="12"   direction="45"   speed="10" />\n<yweather:atmosphere '
            b'humidity="93"  visibility="9.99"  pressure="1015.92"  rising="0" />\n<item>\n'
            b'<yweather:condition  text="Mostly Cloudy"  code="28"  temp="14"  date="Tue, 02 Jan '
            b'2024 10:00 am CET" />\n</item>\n</channel>\n</rss>\n')
    places = (b'<?xml version="1.0" encoding="UTF-8"?>\n<places><place><woeid>766273</woeid>'
              b'<name>Madrid</name><country type="Country" code="ES">Spain</country><admin1 '
              b'type="Autonomous Community">Madrid</admin1><admin2 type="Province" code="ES-M">'
              b'Madrid</admin2></place></places>')
    error = (b'<?xml version="1.0" encoding="UTF-8"?>\n<yahoo:error xmlns:yahoo="http://yahooapis'
             b'.com/v1/base.rng" xml:lang="en-US"><error xmlns=""><description>Please provide '
             b'valid credentials.</description><detail>OAuth oauth_problem="OST_OAUTH_PARAMETER_'
             b'ABSENT_ERROR"</detail></error></yahoo:error>')
    for name, text in [("seed-owm", owm), ("seed-yahoo-feed", feed), ("seed-places", places),
                       ("seed-yahoo-error", error),
                       ("seed-calm", feed.replace(b'speed="10"', b'speed="0"'))]:
        write("weather_answers", name, text)

    # The key-free source's JSON answers, from the tests' answers.
    meteo = os.path.join(HERE, "..", "tests", "support", "WeatherAnswers.h")
    text = read(meteo).decode("utf-8", "replace")
    start = text.find("MeteoPlaces()")
    body = text[start:text.find("\n}", start)]
    places = "".join(re.findall(r'R"\((.*?)\)"', body, re.S)).encode()
    if places:
        write("open_meteo", "seed-places", places)
        write("open_meteo", "seed-no-places", b'{"generationtime_ms":0.6439686}')
    current = ('{"latitude":36.72,"longitude":-4.42,"generationtime_ms":0.0432,'
               '"utc_offset_seconds":3600,"timezone":"Europe/Madrid","timezone_abbreviation":"CET",'
               '"elevation":17.0,"current_units":{"time":"iso8601","interval":"seconds",'
               '"temperature_2m":"\u00b0C","relative_humidity_2m":"%","weather_code":"wmo code",'
               '"pressure_msl":"hPa","wind_speed_10m":"km/h","wind_direction_10m":"\u00b0"},'
               '"current":{"time":"2026-12-07T19:00","interval":900,"temperature_2m":16.4,'
               '"relative_humidity_2m":72,"weather_code":61,"pressure_msl":1016.3,'
               '"wind_speed_10m":12.6,"wind_direction_10m":225},"daily_units":{"time":"iso8601",'
               '"temperature_2m_max":"\u00b0C","temperature_2m_min":"\u00b0C"},'
               '"daily":{"time":["2026-12-07"],"temperature_2m_max":[18.9],'
               '"temperature_2m_min":[9.7]}}').encode()
    write("open_meteo", "seed-forecast", current)
    write("open_meteo", "finding-weather-code-1e300",
          current.replace(b'"weather_code":61', b'"weather_code":1e300'))
    if places:
        write("open_meteo", "finding-place-id-1e300",
              places.replace(b'"id":2514256', b'"id":1e300'))
        write("open_meteo", "finding-place-latitude-1000",
              places.replace(b'"latitude":36.72016', b'"latitude":1000'))

    # The update info line.
    for i, line in enumerate([b"589,1,01/01/2019,10,x", b"588,1,01/01/2030,1048576, 2030-01-01 ",
                              b"5810,1,2021-01-01 10:00,3000,x", b"<!DOCTYPE html><html>",
                              b"589,1,pronto,3,4", b"589,1,12/31/2030 23:59,3000,x"]):
        write("update_info", "seed-%d" % i, line)
    for name, line in [("finding-nan-size", b"589,1,01/01/2019,nan,x"),
                       ("finding-huge-size", b"589,1e400,01/01/2019,1e400,x"),
                       ("finding-nan-both", b"589,NaN,01/01/2030,-nan,x")]:
        write("update_info", name, line)

    # The executable's version mark.
    write("version_mark", "seed-588", b"ELF...\x01WasteWell-FileVersion=5.8.0.8;...")
    write("version_mark", "seed-two-marks",
          b"\x01WasteWell-FileVersion=5.8.3.12;\x01WasteWell-FileVersion=70000.1.2.3;")
    write("version_mark", "seed-cut", b"\x01WasteWell-FileVersion=5.8.0")

    # Addresses: the connectivity check's and the dictionary's search word.
    for i, text in enumerate([b"http://www.example.com/", b"https://[::1]:8443/path",
                              b"http://user@127.0.0.1:99999/", b"ftp://", b"127.0.0.1:80"]):
        write("connectivity_address", "seed-%d" % i, text)
    for i, text in enumerate([b"pa\xc3\xb1o", b"uno & dos #tres?", b"100%", b"a+b"]):
        write("search_word", "seed-%d" % i, text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
