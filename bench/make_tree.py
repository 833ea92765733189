#!/usr/bin/env python3
"""make_tree.py - a tree of files and folders shaped like a Windows disk, for name searches.

  make_tree.py --entries N [--seed S] --out DIR
      Creates DIR (absent or empty) with exactly N entries below it (files and folders, DIR
      itself not counted), laid out like a system disk: Windows\\System32, WinSxS, Program
      Files, ProgramData, Users\\<name>\\Documents, Pictures, Music, Videos, Downloads,
      AppData, projects, games. Names mix English words, digits, dates, _ - () [] and spaces,
      mixed case and Chinese (about one name in four); a few are 150-250 bytes long; some
      start with a dot; some folders are empty; paths go up to 12 levels deep. Files are sparse
      (their sizes cost no disk); times fall in 1995-2026, a few before 1970 or in the future.
      The same N and seed give the same tree. Prints one line of figures.

  make_tree.py --queries K [--seed S] --from DIR [--labels]
      Prints K keyword queries (UTF-8, one a line) taken from the names under DIR, cycling
      through the classes
        ascii1  one ASCII word of 2-8 letters, in mixed case
        cjk1    one Chinese word
        and2    two words of one name (a space means AND)
        alt     two or three alternatives separated by commas (words or an extension)
        common  one of the most frequent 2-byte pieces of the names
        rare    a piece found in at most three names, or in none
      --labels puts "<class><TAB>" before each query.

Every name can be written in GBK and is valid on Windows: none of \\ / : * ? " < > |, no
device name (CON, NUL, COM1...), no dot or space at the end, unique in its folder ignoring
case. Standard library only.
"""
import argparse
import math
import os
import random
import re
import sys
import time

MAX_DEPTH = 12               # top-level entries are at depth 1
FIRST_TIME = 788918400       # 1995-01-01 UTC
LAST_TIME = 1798761599       # 2026-12-31 23:59:59 UTC
ODD_TIME_SHARE = 0.001       # entries dated before 1970 or after 2026
EMPTY_SHARE = 0.05           # sub-folders that get nothing
LONG_SHARE = 0.004           # names of personal files made 150-250 bytes long
FOLDER_FLAGS = os.O_RDONLY | os.O_DIRECTORY
FILE_FLAGS = os.O_WRONLY | os.O_CREAT | os.O_EXCL

ENGLISH = """
account address admin agenda album analysis android annual apple archive article audio
autumn avatar backup banner base beijing birthday black blue book budget buffer build
button cache camera chapter chart china chrome client cloud common company concept config
contact contract copy core course customer daily data database debug delivery demo design
diagram draft dragon dream driver editor email engine english episode error excel export
family final finance flower folder font forest form game garden golden green guide handler
happy helper holiday home icon image import index input install invoice island item journal
keyboard lesson letter level license light list loader local login logo lotus main manager
manual map market master matrix media meeting memo menu mobile model monthly mountain movie
music network notes novel office order outline overview panel paper party password patch
payment photo picture player plugin poem policy poster preview price print private profile
project proposal public purchase quarterly query quest quote reader readme receipt record
release render report research resume review river sales sample scan scene schedule school
screen screenshot script search season server service setup shader shadow shanghai shared
silver simple sketch slides snow song sound source spring standard statement status stock
storm story stream summary summer supplier system table task team template test texture
theme thesis thunder ticket tiger tool track training travel tree trip update user utils
vendor version video view village volume wallpaper weapon wedding weekly widget window
winter word work world writer yellow
""".split()

CHINESE = """
报告 文档 照片 音乐 视频 工作 学习 资料 项目 合同 发票 会议 记录 总结 计划 方案 设计
测试 数据 备份 图片 截图 下载 安装 更新 配置 设置 用户 系统 文件 新建 副本 最终版 修改
草稿 简历 论文 作业 考试 课程 讲义 笔记 日记 家庭 旅行 婚礼 生日 宝宝 毕业 公司 部门
财务 预算 年度 季度 月度 销售 市场 客户 产品 报价 采购 库存 物流 质量 安全 审计 制度
标准 培训 演示 教程 手册 说明 指南 游戏 存档 电影 歌曲 专辑 相册 风景 北京 上海 广州
深圳 杭州 南京 成都 武汉 西安 春节 中秋 国庆 春天 夏天 秋天 冬天 朋友 同学 老师 学生
孩子 父母 工资 税务 银行 账单 收据 合作 协议 申请 通知 公告 新闻 周报 日报 月报 统计
分析 图表 模板 素材 壁纸 头像 字体 表格 幻灯片 微信 录音 翻译 英语 数学 语文 物理 化学
历史 地理 生物 中国 世界 人民 发展 经济 管理 技术 服务 信息 网络 软件 硬件 程序 代码
""".split()

SURNAMES = "张 王 李 赵 刘 陈 杨 黄 周 吴 徐 孙 马 朱 胡 郭 何 林 罗 高".split()
GIVEN = "伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 涛 明 超 秀英 华 平 刚 桂英 建华".split()
RESERVED = {"con", "prn", "aux", "nul"} | {"com%d" % i for i in range(1, 10)} | {
    "lpt%d" % i for i in range(1, 10)}
BAD_CHARS = re.compile(r'[\x00-\x1f\\/:*?"<>|]')


def windows_valid(name):
    """True for a name Windows accepts in a folder and GBK can hold."""
    if not name or name[-1] in ". " or BAD_CHARS.search(name):
        return False
    device = name.split(".", 1)[0]
    if len(device) <= 5 and device.rstrip(" ").lower() in RESERVED:
        return False
    try:
        name.encode("gbk")
    except UnicodeEncodeError:
        return False
    return len(name.encode("utf-8")) <= 250


# ----------------------------------------------------------------- pieces of names

class Words:
    """The random pieces names are made of, all drawn from one seeded generator."""

    def __init__(self, rng):
        self.rng = rng

    # random.Random's choice and randrange are exact but slow; these are fast enough and
    # just as deterministic.
    def pick(self, seq):
        return seq[int(self.rng.random() * len(seq))]

    def rand(self, a, b=None):
        """A number in [0, a), or in [a, b) when b is given."""
        return int(self.rng.random() * a) if b is None else a + int(self.rng.random() * (b - a))

    def randint(self, a, b):
        return a + int(self.rng.random() * (b - a + 1))

    def english(self):
        word = self.pick(ENGLISH)
        style = self.rng.random()
        if style < 0.5:
            return word
        if style < 0.85:
            return word.capitalize()
        if style < 0.95:
            return word.upper()
        return "".join(c.upper() if self.rng.random() < 0.3 else c for c in word)

    def chinese(self):
        return self.pick(CHINESE)

    def person(self):
        return self.pick(SURNAMES) + self.pick(GIVEN)

    def date(self):
        t = time.gmtime(self.rand(FIRST_TIME, LAST_TIME))
        style = self.rand(6)
        if style == 0:
            return "%04d-%02d-%02d" % (t.tm_year, t.tm_mon, t.tm_mday)
        if style == 1:
            return "%04d%02d%02d" % (t.tm_year, t.tm_mon, t.tm_mday)
        if style == 2:
            return "%d.%d.%d" % (t.tm_year, t.tm_mon, t.tm_mday)
        if style == 3:
            return "%d年%d月" % (t.tm_year, t.tm_mon)
        if style == 4:
            return str(t.tm_year)
        return "%02d%02d" % (t.tm_mon, t.tm_mday)

    def stamp(self):
        t = time.gmtime(self.rand(FIRST_TIME, LAST_TIME))
        return time.strftime("%Y%m%d_%H%M%S", t)

    def number(self):
        style = self.rand(5)
        if style == 0:
            return str(self.rand(1, 100))
        if style == 1:
            return "%03d" % self.rand(1000)
        if style == 2:
            return "v%d.%d" % (self.rand(1, 10), self.rand(20))
        if style == 3:
            return str(self.rand(1000, 99999))
        return "%d.%d.%d" % (self.rand(1, 20), self.rand(10),
                             self.rand(1000))

    def hexa(self, n):
        return "%0*x" % (n, self.rng.getrandbits(4 * n))

    def guid(self):
        return "{%s-%s-%s-%s-%s}" % (self.hexa(8), self.hexa(4), self.hexa(4), self.hexa(4),
                                     self.hexa(12))

    def phrase(self, cjk, parts):
        """1 to `parts` words, Chinese when cjk, joined by the usual separators."""
        count = self.randint(1, parts)
        words = [self.chinese() if cjk and (i == 0 or self.rng.random() < 0.6)
                 else self.english() for i in range(count)]
        out = words[0]
        for word in words[1:]:
            out += "" if cjk and self.rng.random() < 0.4 else self.pick(
                ("_", "_", "-", " ", " ", ""))
            out += word
        return out

    def decorate(self, stem, cjk):
        """Adds what people add to their names: dates, numbers, copies, brackets."""
        roll = self.rng.random()
        if roll < 0.25:
            return stem + self.pick(("_", "-", " ", "")) + self.date()
        if roll < 0.40:
            return stem + self.pick(("_", " ", "-")) + self.number()
        if roll < 0.48:
            return stem + " (%d)" % self.rand(1, 8)
        if roll < 0.54:
            return stem + " [%s]" % (self.chinese() if cjk else self.english())
        if roll < 0.58:
            return stem + (" - 副本" if cjk else " - Copy")
        if roll < 0.62:
            return "(%s)%s" % (self.chinese() if cjk else self.number(), stem)
        return stem

    def long(self, cjk):
        """A name of 150 to 250 bytes in UTF-8."""
        target = self.randint(150, 240)
        out = self.phrase(cjk, 3)
        while len(out.encode("utf-8")) < target:
            out += self.pick((" ", "_", "-")) + self.phrase(cjk, 3)
        while len(out.encode("utf-8")) > target:
            out = out[:-1]
        return out.rstrip(" ._-")


# ----------------------------------------------------------------- folder kinds

class Kind:
    """What one kind of folder holds: its names, extensions, sizes and shape."""

    def __init__(self, files, fanout, cjk, size, exts, file_stem, folder_name, hidden=0.0,
                 personal=False):
        self.files = files              # mean files in one folder
        self.fanout = fanout            # most sub-folders one folder gets
        self.cjk = cjk                  # share of names with Chinese
        self.size = size                # (median bytes, spread, largest)
        self.exts = [e for e, _ in exts]
        self.cum = []
        total = 0
        for _, weight in exts:
            total += weight
            self.cum.append(total)
        self.file_stem = file_stem      # function(words, cjk) -> name without extension
        self.folder_name = folder_name  # function(words, cjk) -> folder name
        self.hidden = hidden            # share of names starting with a dot
        self.personal = personal        # names people type, which may be very long
        self.familiar = ()              # names that many folders of the kind hold


def exts(text):
    """'.jpg:30 .png:10' -> [(".jpg", 30), (".png", 10)]."""
    out = []
    for item in text.split():
        ext, _, weight = item.rpartition(":")
        out.append(("" if ext == "-" else ext, int(weight)))
    return out


def stem_personal(w, cjk):
    return w.decorate(w.phrase(cjk, 3), cjk)


def folder_personal(w, cjk):
    roll = w.rng.random()
    if roll < 0.15:
        return w.date()
    if roll < 0.22:
        return "新建文件夹" if cjk else "New folder"
    if roll < 0.3:
        return w.person() if cjk else w.english()
    return w.decorate(w.phrase(cjk, 2), cjk) if w.rng.random() < 0.3 else w.phrase(cjk, 2)


def stem_picture(w, cjk):
    roll = w.rng.random()
    if roll < 0.3:
        return "IMG_" + w.stamp()
    if roll < 0.45:
        return "DSC%05d" % w.rand(100000)
    if roll < 0.55:
        return ("微信图片_" if cjk else "mmexport") + w.stamp().replace("_", "")
    if roll < 0.65:
        return ("屏幕截图 " if cjk else "Screenshot ") + w.stamp().replace("_", " ")
    return stem_personal(w, cjk)


def stem_music(w, cjk):
    artist = w.person() if cjk else w.english()
    title = w.phrase(cjk, 3)
    roll = w.rng.random()
    if roll < 0.5:
        return "%s - %s" % (artist, title)
    if roll < 0.8:
        return "%02d %s" % (w.rand(1, 20), title)
    return title


def stem_video(w, cjk):
    roll = w.rng.random()
    if roll < 0.25:
        return "VID_" + w.stamp()
    if roll < 0.5 and cjk:
        return "%s 第%d集" % (w.phrase(True, 2), w.rand(1, 60))
    if roll < 0.75:
        year = w.rand(1980, 2027)
        return "%s (%d) [%s]" % (w.phrase(cjk, 3), year, w.pick(("1080p", "720p", "4K")))
    return stem_personal(w, cjk)


def stem_download(w, cjk):
    roll = w.rng.random()
    if roll < 0.3 and not cjk:
        return "%s_setup_%s" % (w.english().lower(), w.number())
    if roll < 0.4 and not cjk:
        return "%s-%s-x64" % (w.english(), w.number())
    return stem_personal(w, cjk)


def stem_system(w, cjk):
    roll = w.rng.random()
    if roll < 0.3:
        return "api-ms-win-%s-%s-l1-%d-%d" % (w.english().lower(), w.english().lower(),
                                             w.rand(4), w.rand(4))
    if roll < 0.6:
        return (w.pick(("ms", "win", "wu", "nt", "")) + w.english().lower()
                + w.pick(("", "", "32", "64", "svc", "ui", "api")))
    if roll < 0.8:
        return w.english() + w.english() + (str(w.rand(100)) if w.rng.random() < 0.3
                                            else "")
    return stem_personal(w, cjk)


def folder_system(w, cjk):
    roll = w.rng.random()
    if roll < 0.2:
        return w.pick(("zh-CN", "en-US", "ja-JP", "de-DE")) + (
            "" if w.rng.random() < 0.5 else "_" + w.hexa(4))
    if roll < 0.4:
        return "%s.inf_amd64_%s" % (w.english().lower(), w.hexa(16))
    return w.english() + (w.english() if w.rng.random() < 0.5 else "")


def folder_sxs(w, cjk):
    return "%s_microsoft-windows-%s-%s_31bf3856ad364e35_10.0.%d.%d_%s_%s" % (
        w.pick(("amd64", "x86", "wow64", "msil")), w.english().lower(),
        w.english().lower(), w.pick((17763, 19041, 22621)), w.rand(4000),
        w.pick(("none", "zh-cn", "en-us")), w.hexa(16))


def folder_program(w, cjk):
    if cjk and w.rng.random() < 0.5:
        return w.chinese() + w.pick(("", "软件", "助手", "管理器"))
    roll = w.rng.random()
    if roll < 0.4:
        return w.english().capitalize()
    if roll < 0.7:
        return "%s %s" % (w.english().capitalize(), w.english().capitalize())
    if roll < 0.85:
        return "%s %d" % (w.english().capitalize(), w.rand(2005, 2027))
    return w.pick(("bin", "lib", "plugins", "resources", "locales", "data", "x64"))


def stem_program(w, cjk):
    if cjk or w.rng.random() < 0.2:
        return stem_personal(w, cjk)
    return w.english() + w.pick(("", "", "_" + w.english(), w.number(), "64"))


def stem_source(w, cjk):
    roll = w.rng.random()
    if roll < 0.4:
        return "%s_%s" % (w.english().lower(), w.english().lower())
    if roll < 0.7:
        return w.english().capitalize() + w.english().capitalize()
    if roll < 0.8:
        return w.english().lower() + "_test"
    return stem_personal(w, cjk)


def folder_source(w, cjk):
    roll = w.rng.random()
    if roll < 0.35:
        return w.pick(("src", "include", "lib", "test", "tests", "docs", "build",
                             "node_modules", "vendor", "scripts", "assets", "dist", "bin",
                             "obj", "Debug", "Release", "cmake", "third_party"))
    if roll < 0.75:
        return w.english().lower() + ("" if w.rng.random() < 0.6 else "-" + w.english().lower())
    return folder_personal(w, cjk)


def stem_game(w, cjk):
    roll = w.rng.random()
    if roll < 0.5:
        return "%s_%s_%02d" % (w.english().lower(), w.english().lower(), w.rand(100))
    if roll < 0.7:
        return "save_" + w.stamp()
    return stem_program(w, cjk)


def stem_cache(w, cjk):
    roll = w.rng.random()
    if roll < 0.3:
        return w.hexa(w.pick((8, 16, 32, 40)))
    if roll < 0.4:
        return w.guid()
    if roll < 0.55:
        return "~DF%s" % w.hexa(4).upper()
    return stem_program(w, cjk)


def folder_cache(w, cjk):
    roll = w.rng.random()
    if roll < 0.3:
        return w.hexa(2)
    if roll < 0.4:
        return w.guid()
    return folder_program(w, cjk)


def stem_log(w, cjk):
    return "%s_%s" % (w.english(), w.stamp()) if w.rng.random() < 0.6 else w.english().upper()


def stem_font(w, cjk):
    if cjk and w.rng.random() < 0.3:
        return w.chinese() + "体"
    return w.english().lower() + w.pick(("", "bd", "i", "bi", "l"))


KINDS = {
    "docs": Kind(14, 6, 0.65, (40000, 1.6, 200 << 20), exts(
        ".docx:25 .doc:12 .xlsx:15 .xls:6 .pptx:8 .pdf:20 .txt:10 .md:2 .csv:3 .wps:2 .zip:3 "
        ".rar:2"), stem_personal, folder_personal, 0.004, True),
    "pics": Kind(40, 5, 0.55, (1500000, 1.0, 60 << 20), exts(
        ".jpg:55 .JPG:10 .png:15 .jpeg:4 .gif:4 .heic:4 .bmp:2 .psd:2 .raw:2 .webp:2"),
        stem_picture, folder_personal, 0.005, True),
    "music": Kind(15, 4, 0.6, (5000000, 0.6, 120 << 20), exts(
        ".mp3:60 .flac:12 .m4a:8 .wav:5 .wma:4 .ape:3 .lrc:8 .cue:2"),
        stem_music, folder_personal, 0.0, True),
    "video": Kind(8, 4, 0.6, (300000000, 1.3, 8 << 30), exts(
        ".mp4:50 .mkv:20 .avi:8 .mov:8 .wmv:4 .flv:3 .srt:6 .ass:3"),
        stem_video, folder_personal, 0.0, True),
    "dl": Kind(30, 3, 0.5, (3000000, 2.0, 6 << 30), exts(
        ".zip:15 .rar:8 .7z:5 .exe:15 .msi:5 .pdf:15 .iso:2 .torrent:5 .docx:8 .jpg:10 "
        ".apk:3 .crdownload:2 -:2"), stem_download, folder_personal, 0.01, True),
    "sys": Kind(150, 8, 0.04, (80000, 1.5, 50 << 20), exts(
        ".dll:50 .exe:10 .mui:12 .sys:6 .dat:3 .ini:2 .inf:4 .cat:3 .manifest:3 .nls:1 .cpl:1 "
        ".drv:1 .ocx:1 .tlb:1 .xml:2 -:1"), stem_system, folder_system, 0.0),
    "sxs": Kind(6, 40, 0.0, (60000, 1.5, 30 << 20), exts(".dll:50 .manifest:25 .cat:15 .mui:10"),
        stem_system, folder_sxs, 0.0),
    "pf": Kind(20, 6, 0.25, (200000, 2.0, 500 << 20), exts(
        ".dll:35 .exe:10 .pak:5 .dat:6 .json:6 .xml:6 .ini:4 .png:8 .ico:3 .chm:1 .txt:4 "
        ".js:4 .qm:3 .bin:3 .cfg:2"), stem_program, folder_program, 0.005),
    "app": Kind(16, 6, 0.25, (20000, 2.0, 200 << 20), exts(
        ".dat:12 .db:8 .json:10 .xml:8 .ini:6 .log:10 .tmp:5 .cache:6 .sqlite:3 .lock:2 "
        ".png:6 .js:4 -:10"), stem_cache, folder_cache, 0.02),
    "temp": Kind(30, 4, 0.1, (50000, 2.2, 400 << 20), exts(
        ".tmp:50 .log:15 .dat:10 .etl:5 .cab:3 .msi:3 .txt:4 -:10"),
        stem_cache, folder_cache, 0.01),
    "src": Kind(12, 8, 0.12, (6000, 1.3, 5 << 20), exts(
        ".cpp:12 .h:12 .c:5 .py:10 .js:10 .ts:6 .java:5 .go:3 .rs:3 .cs:4 .json:6 .yml:3 "
        ".md:4 .txt:2 .html:3 .css:3 .xml:2 .sh:2 .o:3 .obj:2 .pyc:2 -:2"),
        stem_source, folder_source, 0.03),
    "game": Kind(25, 5, 0.25, (2000000, 2.0, 4 << 30), exts(
        ".pak:12 .dat:10 .bin:8 .ogg:10 .wav:6 .dds:10 .png:6 .dll:8 .exe:2 .sav:4 .cfg:4 "
        ".ini:3 .lua:4 .json:3 .vpk:4"), stem_game, folder_program, 0.0),
    "logs": Kind(40, 3, 0.0, (100000, 1.5, 100 << 20), exts(".log:60 .etl:20 .evtx:10 .txt:10"),
        stem_log, folder_program, 0.0),
    "fonts": Kind(200, 1, 0.2, (300000, 1.5, 40 << 20), exts(".ttf:60 .ttc:15 .otf:15 .fon:10"),
        stem_font, folder_program, 0.0),
}

# Names met again and again in folders of a kind.
KINDS["docs"].familiar = ("desktop.ini", "~$draft.docx", "Thumbs.db")
KINDS["src"].familiar = (".gitignore", ".editorconfig", ".clang-format", ".env", "README.md")


# ----------------------------------------------------------------- the fixed layout

def skeleton(words):
    """The fixed top of the tree: (path, kind, weight) for folders, kind "file" for files.

    Parents come before their children; a weight is the folder's share of the entries left
    after the skeleton, 0 for folders kept empty."""
    users = ["Administrator", words.person(), words.english().lower() + str(
        words.rng.randrange(10, 99))]
    layout = [
        ("$Recycle.Bin", "temp", 1), ("PerfLogs", "logs", 0),
        ("System Volume Information", "app", 0), ("Windows", "sys", 2),
        ("Windows/System32", "sys", 40), ("Windows/System32/drivers", "sys", 4),
        ("Windows/System32/DriverStore/FileRepository", "sys", 10),
        ("Windows/System32/zh-CN", "sys", 4), ("Windows/SysWOW64", "sys", 25),
        ("Windows/WinSxS", "sxs", 45), ("Windows/Fonts", "fonts", 2),
        ("Windows/Logs", "logs", 2), ("Windows/Temp", "temp", 3), ("Windows/INF", "sys", 3),
        ("Windows/Installer", "temp", 3), ("Windows/Help", "pf", 1),
        ("Program Files", "pf", 50), ("Program Files/Common Files", "pf", 8),
        ("Program Files (x86)", "pf", 40), ("ProgramData", "app", 18),
        ("ProgramData/Microsoft", "app", 6), ("Users", "docs", 0),
        ("Users/Public", "docs", 0), ("Users/Public/Documents", "docs", 3),
        ("Users/Public/Pictures", "pics", 2), ("Users/Default", "app", 1),
    ]
    for i, user in enumerate(users):
        share = 3 if i == 1 else 1
        home = "Users/" + user
        layout += [(home, "docs", 0), (home + "/Desktop", "dl", 3 * share),
                   (home + "/Documents", "docs", 20 * share),
                   (home + "/Pictures", "pics", 16 * share),
                   (home + "/Pictures/Screenshots", "pics", 2 * share),
                   (home + "/Music", "music", 8 * share), (home + "/Videos", "video", 4 * share),
                   (home + "/Downloads", "dl", 12 * share),
                   (home + "/Favorites", "docs", 1), (home + "/Contacts", "docs", 0),
                   (home + "/.vscode", "src", share), (home + "/.ssh", "app", 0),
                   (home + "/AppData/Roaming", "app", 12 * share),
                   (home + "/AppData/Local", "app", 14 * share),
                   (home + "/AppData/Local/Temp", "temp", 6 * share),
                   (home + "/AppData/LocalLow", "app", share),
                   (home + "/.gitconfig", "file", 0), (home + "/NTUSER.DAT", "file", 0)]
    layout += [
        ("projects", "src", 40), ("projects/" + words.english().lower(), "src", 10),
        ("games", "game", 20), ("Steam/steamapps/common", "game", 25),
        ("工作资料", "docs", 12), ("备份", "docs", 6), ("学习", "docs", 6),
        ("pagefile.sys", "file", 0), ("swapfile.sys", "file", 0), ("bootmgr", "file", 0),
    ]
    return with_parents(layout)


def with_parents(layout):
    """The layout with the folders its paths pass through added before them, empty of their own."""
    out, listed = [], set()
    for path, kind, weight in layout:
        parts = path.split("/")
        for i in range(1, len(parts)):
            parent = "/".join(parts[:i])
            if parent not in listed:
                listed.add(parent)
                out.append((parent, "app" if kind == "file" else kind, 0))
        if path not in listed:
            listed.add(path)
            out.append((path, kind, weight))
    return out


# ----------------------------------------------------------------- the maker

def split(total, parts, rng):
    """`total` shared among `parts` at random and unevenly, summing to total. About one part
    in twenty gets nothing (an empty folder); the others get at least one while there is
    enough."""
    weights = [0.0 if rng.random() < EMPTY_SHARE else rng.paretovariate(1.2)
               for _ in range(parts)]
    if not any(weights):
        weights[0] = 1.0
    filled = sum(1 for w in weights if w)
    floor = 1 if total >= filled else 0
    scale = (total - floor * filled) / sum(weights)
    shares, running, given = [], 0.0, 0
    for weight in weights:
        running += weight * scale
        share = int(running) - given
        given += share
        shares.append(share + (floor if weight else 0))
    last = max(i for i, w in enumerate(weights) if w)
    shares[last] += total - sum(shares)
    return shares


class Maker:
    """Creates the tree below one folder, counting what it makes."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.words = Words(self.rng)
        self.counts = dict(files=0, folders=0, cjk=0, hidden=0, long=0, empty=0, depth=0,
                           odd_times=0, name_bytes=0, bytes=0)

    def when(self):
        """A modification time in nanoseconds."""
        roll = self.rng.random()
        if roll < ODD_TIME_SHARE / 2:
            seconds = self.words.rand(-631152000, 0)             # 1950-1969
        elif roll < ODD_TIME_SHARE:
            seconds = self.words.rand(LAST_TIME + 1, 4102444800)  # 2027-2099
        else:  # more recent years are more common
            seconds = FIRST_TIME + int((LAST_TIME - FIRST_TIME) * self.rng.random() ** 0.6)
        if roll < ODD_TIME_SHARE:
            self.counts["odd_times"] += 1
        return seconds * 1000000000

    def size(self, kind):
        if self.rng.random() < 0.03:
            return 0
        median, spread, largest = kind.size
        return min(largest, int(median * math.exp(self.rng.gauss(0, spread))))

    def unique(self, make, taken):
        """A valid name from make() that `taken` (lower-case names) does not hold yet; a name
        already there gets a copy number, as Windows gives one: "New folder (2)"."""
        for _ in range(100):
            name = make()
            if windows_valid(name):
                break
        else:  # make() gave nothing valid: a plain name then
            name = "entry"
        stem, dot, ext = name.rpartition(".")
        if not (dot and stem):
            stem, dot, ext = name, "", ""
        copy = 1
        while name.lower() in taken or not windows_valid(name):
            copy += 1
            name = "%s (%d)%s%s" % (stem, copy, dot, ext)
        taken.add(name.lower())
        self.count_name(name)
        return name

    def count_name(self, name):
        self.counts["name_bytes"] += len(name)
        if name[0] == ".":
            self.counts["hidden"] += 1
        if not name.isascii():
            self.counts["cjk"] += 1
            self.counts["name_bytes"] += len(name.encode("gbk")) - len(name)
        if len(name) >= 50 and len(name.encode("utf-8")) >= 150:
            self.counts["long"] += 1

    def file_name(self, kind, taken):
        if kind.familiar and self.rng.random() < 0.02:
            name = self.words.pick(kind.familiar)
            if name.lower() not in taken:
                return name
        cjk = self.rng.random() < kind.cjk
        if kind.personal and self.rng.random() < LONG_SHARE:
            stem = self.words.long(cjk)
        else:
            stem = kind.file_stem(self.words, cjk)
        ext = self.rng.choices(kind.exts, cum_weights=kind.cum)[0]
        name = stem + ext
        if self.rng.random() < kind.hidden:
            name = "." + name
        return name

    def folder_name(self, kind):
        cjk = self.rng.random() < kind.cjk
        name = kind.folder_name(self.words, cjk)
        return "." + name if self.rng.random() < kind.hidden / 2 else name

    def make_file(self, dfd, name, size, depth):
        fd = os.open(name.encode("utf-8"), FILE_FLAGS, 0o644, dir_fd=dfd)
        if size:
            os.ftruncate(fd, size)
        ns = self.when()
        os.utime(fd, ns=(ns, ns))
        os.close(fd)
        self.counts["files"] += 1
        self.counts["bytes"] += size
        self.counts["depth"] = max(self.counts["depth"], depth)

    def make_folder(self, dfd, name, depth):
        """Creates the folder and returns a descriptor of it."""
        os.mkdir(name.encode("utf-8"), 0o755, dir_fd=dfd)
        self.counts["folders"] += 1
        self.counts["depth"] = max(self.counts["depth"], depth)
        return os.open(name.encode("utf-8"), FOLDER_FLAGS, dir_fd=dfd)

    def close_folder(self, fd, had_entries):
        ns = self.when()
        os.utime(fd, ns=(ns, ns))
        os.close(fd)
        if not had_entries:
            self.counts["empty"] += 1

    def fill(self, dfd, kind, budget, depth, taken):
        """Puts exactly `budget` entries at `depth` and below into the folder dfd."""
        if budget <= 0:
            return
        if depth >= MAX_DEPTH:
            files = budget
        else:
            files = min(budget, int(self.rng.expovariate(1.0 / kind.files)))
            if budget - files == 1:
                files = budget
        rest = budget - files
        # More sub-folders for more entries, so that big branches grow wide rather than only
        # deep (most entries end up 5 to 8 levels down); few enough that most get something.
        subs = 0
        if rest:
            subs = min(self.words.randint(1, kind.fanout) + int(math.sqrt(rest) / 4),
                       max(1, rest // 4))
        for _ in range(files):
            name = self.unique(lambda: self.file_name(kind, taken), taken)
            self.make_file(dfd, name, self.size(kind), depth)
        shares = split(rest - subs, subs, self.rng) if subs else []
        for share in shares:
            name = self.unique(lambda: self.folder_name(kind), taken)
            fd = self.make_folder(dfd, name, depth)
            self.fill(fd, kind, share, depth + 1, set())
            self.close_folder(fd, share > 0)

    def skeleton_file(self, dfd, name, depth, taken):
        taken.add(name.lower())
        self.count_name(name)
        large = name.endswith(".sys")
        self.make_file(dfd, name, (self.words.rand(1, 17) << 30) if large else 4096, depth)

    def build(self, entries, out):
        layout = skeleton(self.words)[:entries]
        left = entries - len(layout)
        weights = [w for _, _, w in layout]
        shares = share_by_weight(left, weights) if left > 0 else [0] * len(layout)
        os.makedirs(out, exist_ok=True)
        if os.listdir(out):
            sys.exit("make_tree.py: %s is not empty" % out)
        fds = {"": os.open(out, FOLDER_FLAGS)}
        taken = {"": set()}
        made = []  # skeleton folders in order, closed in reverse after all is filled
        for path, kind, _ in layout:
            parent, _, name = path.rpartition("/")
            depth = path.count("/") + 1
            if kind == "file":
                self.skeleton_file(fds[parent], name, depth, taken[parent])
                continue
            taken[parent].add(name.lower())
            self.count_name(name)
            fds[path] = self.make_folder(fds[parent], name, depth)
            taken[path] = set()
            made.append(path)
        for (path, kind, _), share in zip(layout, shares):
            if kind != "file":
                self.fill(fds[path], KINDS[kind], share, path.count("/") + 2, taken[path])
        for path in reversed(made):
            self.close_folder(fds[path], bool(taken[path]))
        ns = self.when()
        os.utime(fds[""], ns=(ns, ns))
        os.close(fds[""])


def share_by_weight(total, weights):
    """`total` shared in proportion to `weights` (largest remainders), summing to total."""
    whole = sum(weights)
    exact = [total * w / whole for w in weights]
    shares = [int(x) for x in exact]
    order = sorted(range(len(weights)), key=lambda i: (shares[i] - exact[i], i))
    for i in order[:total - sum(shares)]:
        shares[i] += 1
    return shares


# ----------------------------------------------------------------- queries

ASCII_RUN = re.compile(r"[A-Za-z]{2,}")
CJK_RUN = re.compile(r"[\u4e00-\u9fff]+")
DIGIT_RUN = re.compile(r"[0-9]{2,}")
PIECE = re.compile(r"[A-Za-z0-9]{2,}")


def tree_names(top):
    names, stack = [], [top]
    while stack:
        with os.scandir(stack.pop()) as it:
            for entry in it:
                names.append(entry.name)
                if entry.is_dir(follow_symlinks=False):
                    stack.append(entry.path)
    names.sort()
    return names


class Queries:
    """Keyword queries drawn from the names of one tree."""

    def __init__(self, names, seed):
        self.names = names
        self.rng = random.Random("queries %d" % seed)
        self.folded = "\n".join(names).lower()
        self.common_left = []
        self.common_keys = self.frequent_pairs()

    def name(self, pattern=None):
        """A random name, one that pattern finds something in when given."""
        for _ in range(100000):
            name = self.rng.choice(self.names)
            if pattern is None or pattern.search(name):
                return name
        return None

    def recase(self, word):
        roll = self.rng.random()
        if roll < 0.4:
            return word.lower()
        if roll < 0.6:
            return word.upper()
        if roll < 0.8:
            return word.capitalize()
        return "".join(c.swapcase() if self.rng.random() < 0.5 else c for c in word)

    def piece(self, text, shortest, longest):
        n = min(len(text), self.rng.randint(shortest, longest))
        start = self.rng.randrange(len(text) - n + 1)
        return text[start:start + n]

    def ascii1(self):
        name = self.name(ASCII_RUN)
        if name is None:
            return "ab"
        return self.recase(self.piece(self.rng.choice(ASCII_RUN.findall(name)), 2, 8))

    def chinese(self, run):
        """A word of a run of Chinese characters: a known word in it, or a piece of 1-3."""
        words = [w for w in CHINESE if w in run]
        if words and self.rng.random() < 0.7:
            return self.rng.choice(words)
        return self.piece(run, 1, 3)

    def cjk1(self):
        name = self.name(CJK_RUN)
        if name is None:
            return "文件"
        return self.chinese(self.rng.choice(CJK_RUN.findall(name)))

    def and2(self):
        for _ in range(10000):
            name = self.name()
            found = ASCII_RUN.findall(name) + DIGIT_RUN.findall(name)
            found = [p[:8] for p in found] + [self.chinese(r) for r in CJK_RUN.findall(name)]
            pieces = sorted({p.lower(): p for p in found}.values())
            if len(pieces) >= 2:
                first, second = self.rng.sample(pieces, 2)
                return "%s %s" % (self.recase(first), self.recase(second))
        return "ab cd"

    def extension(self):
        for _ in range(1000):
            name = self.name()
            stem, dot, ext = name[1:].rpartition(".")
            if dot and stem and 2 <= len(ext) <= 5 and ext.isalnum() and ext.isascii():
                return "." + ext.lower()
        return ".txt"

    def alt(self):
        parts, wanted = [], 2 if self.rng.random() < 0.7 else 3
        for _ in range(100):
            if len(parts) == wanted:
                break
            roll = self.rng.random()
            part = self.ascii1() if roll < 0.45 else self.cjk1() if roll < 0.75 else \
                self.extension()
            if part.lower() not in [p.lower() for p in parts]:
                parts.append(part)
        return ",".join(parts)

    def frequent_pairs(self):
        counts = {}
        for name in self.rng.sample(self.names, min(len(self.names), 20000)):
            lower = name.lower()
            for i in range(len(lower) - 1):
                pair = lower[i:i + 2]
                if pair.isascii() and (pair.isalnum() or pair[0] == "." and pair[1].isalpha()):
                    counts[pair] = counts.get(pair, 0) + 1
        ranked = sorted(counts, key=lambda p: (-counts[p], p))
        return ranked[:12] or ["in"]

    def common(self):
        if not self.common_left:
            self.common_left = list(self.common_keys)
            self.rng.shuffle(self.common_left)
        return self.recase(self.common_left.pop())

    def rare(self):
        if self.rng.random() < 0.3:  # one that nothing holds
            for _ in range(100):
                word = "".join(self.rng.choice("bcdfghjklmnpqrstvwxz") + self.rng.choice("aeiou")
                               for _ in range(3)) + self.rng.choice("qxzj")
                if word not in self.folded:
                    return self.recase(word)
        for _ in range(500):
            name = self.name()
            pieces = PIECE.findall(name) + CJK_RUN.findall(name)
            pieces = [p for p in pieces if len(p) >= (6 if p.isascii() else 3)]
            if not pieces:
                continue
            text = self.rng.choice(pieces)
            word = self.piece(text, 6, 9) if text.isascii() else self.piece(text, 3, 3)
            if 1 <= self.folded.count(word.lower()) <= 3:
                return self.recase(word) if word.isascii() else word
        return "zqxjvk"

    def make(self, count):
        classes = (("ascii1", self.ascii1), ("cjk1", self.cjk1), ("and2", self.and2),
                   ("alt", self.alt), ("common", self.common), ("rare", self.rare))
        return [(classes[i % 6][0], classes[i % 6][1]()) for i in range(count)]


# ----------------------------------------------------------------- main

def main():
    doc = __doc__.split("\n\n")
    parser = argparse.ArgumentParser(prog="make_tree.py", description=doc[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     epilog="\n\n".join(doc[1:]))
    parser.add_argument("--entries", type=int, metavar="N", help="files and folders to make")
    parser.add_argument("--seed", type=int, default=1, metavar="S", help="seed (default 1)")
    parser.add_argument("--out", metavar="DIR", help="the folder to fill (absent or empty)")
    parser.add_argument("--queries", type=int, metavar="K", help="print K queries")
    parser.add_argument("--from", dest="source", metavar="DIR", help="the tree of the queries")
    parser.add_argument("--labels", action="store_true", help="print each query's class first")
    args = parser.parse_args()
    if args.queries is not None:
        if not args.source:
            parser.error("--queries needs --from DIR")
        names = tree_names(args.source)
        if not names:
            sys.exit("make_tree.py: no names under " + args.source)
        for klass, query in Queries(names, args.seed).make(args.queries):
            print("%s\t%s" % (klass, query) if args.labels else query)
        return
    if args.entries is None or args.entries < 0 or not args.out:
        parser.error("give --entries N --out DIR, or --queries K --from DIR")
    start = time.monotonic()
    maker = Maker(args.seed)
    maker.build(args.entries, args.out)
    c = maker.counts
    made = c["files"] + c["folders"]
    print("entries=%d files=%d folders=%d name_bytes=%d cjk_names=%.1f%% dot_names=%d "
          "long_names=%d empty_folders=%d max_depth=%d odd_times=%d apparent_bytes=%d "
          "seconds=%.1f out=%s" % (made, c["files"], c["folders"], c["name_bytes"],
                                   100.0 * c["cjk"] / max(1, made), c["hidden"], c["long"],
                                   c["empty"], c["depth"], c["odd_times"], c["bytes"],
                                   time.monotonic() - start, args.out))
    if made != args.entries:
        sys.exit("make_tree.py: made %d entries instead of %d" % (made, args.entries))


if __name__ == "__main__":
    main()
