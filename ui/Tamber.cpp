#include "ui/Tamber.h"

#include <stdexcept>
#include <string>

// The names are the program's own wording, which departs from the General MIDI standard's in
// many rows; blanks, brackets and quotation marks are part of the names.
const std::array<TTamber, TamberCount> TamberTable = {{
    {"钢琴", "Acoustic Grand Piano", "大钢琴（声学钢琴）"}, // 0
    {"钢琴", "Bright Acoustic Piano", "明亮的钢琴"}, // 1
    {"钢琴", "Electric Grand Piano", "电钢琴"}, // 2
    {"钢琴", "Honky-tonk Piano", "酒吧钢琴"}, // 3
    {"钢琴", "Rhodes Piano", "柔和的电钢琴"}, // 4
    {"钢琴", "Chorused Piano", "加合唱效果的电钢琴"}, // 5
    {"钢琴", "Harpsichord", "羽管键琴（拨弦古钢琴）"}, // 6
    {"钢琴", "Clavichord", "科拉维科特琴（击弦古钢琴）"}, // 7
    {"打击乐", "Celesta", "钢片琴"}, // 8
    {"打击乐", "Glockenspiel", "钟琴"}, // 9
    {"打击乐", "Music box", "八音盒"}, // 10
    {"打击乐", "Vibraphone", "颤音琴"}, // 11
    {"打击乐", "Marimba", "马林巴"}, // 12
    {"打击乐", "Xylophone", "木琴"}, // 13
    {"打击乐", "Tubular Bells", "管钟"}, // 14
    {"打击乐", "Dulcimer", "大扬琴"}, // 15
    {"风琴", "Hammond Organ", "击杆风琴"}, // 16
    {"风琴", "Percussive Organ", "打击式风琴"}, // 17
    {"风琴", "Rock Organ", "摇滚风琴"}, // 18
    {"风琴", "Church Organ", "教堂风琴"}, // 19
    {"风琴", "Reed Organ", "簧管风琴"}, // 20
    {"风琴", "Accordian", "手风琴"}, // 21
    {"风琴", "Harmonica", "口琴"}, // 22
    {"风琴", "Tango Accordian", "探戈手风琴"}, // 23
    {"吉他", "Acoustic Guitar (nylon)", "尼龙弦吉他"}, // 24
    {"吉他", "Acoustic Guitar (steel)", "钢弦吉他"}, // 25
    {"吉他", "Electric Guitar (jazz)", "爵士电吉他"}, // 26
    {"吉他", "Electric Guitar (clean)", "清音电吉他"}, // 27
    {"吉他", "Electric Guitar (muted)", "闷音电吉他"}, // 28
    {"吉他", "Overdriven Guitar", "加驱动效果的电吉他"}, // 29
    {"吉他", "Distortion Guitar", "加失真效果的电吉他"}, // 30
    {"吉他", "Guitar Harmonics", "吉他和音"}, // 31
    {"贝司", "Acoustic Bass", "大贝司（声学贝司）"}, // 32
    {"贝司", "Electric Bass(finger)", "电贝司（指弹）"}, // 33
    {"贝司", "Electric Bass (pick)", "电贝司（拨片）"}, // 34
    {"贝司", "Fretless Bass", "无品贝司"}, // 35
    {"贝司", "Slap Bass 1", "掌击Bass 1"}, // 36
    {"贝司", "Slap Bass 2", "掌击Bass 2"}, // 37
    {"贝司", "Synth Bass 1", "电子合成Bass 1"}, // 38
    {"贝司", "Synth Bass 2", "电子合成Bass 2"}, // 39
    {"弦乐", "Violin", "小提琴"}, // 40
    {"弦乐", "Viola", "中提琴"}, // 41
    {"弦乐", "Cello", "大提琴"}, // 42
    {"弦乐", "Contrabass", "低音大提琴"}, // 43
    {"弦乐", "Tremolo Strings", "弦乐群颤音音色"}, // 44
    {"弦乐", "Pizzicato Strings", "弦乐群拨弦音色"}, // 45
    {"弦乐", "Orchestral Harp", "竖琴"}, // 46
    {"弦乐", "Timpani", "定音鼓"}, // 47
    {"合奏/合唱", "String Ensemble 1", "弦乐合奏音色1"}, // 48
    {"合奏/合唱", "String Ensemble 2", "弦乐合奏音色2"}, // 49
    {"合奏/合唱", "Synth Strings 1", "合成弦乐合奏音色1"}, // 50
    {"合奏/合唱", "Synth Strings 2", "合成弦乐合奏音色2"}, // 51
    {"合奏/合唱", "Choir Aahs", "人声合唱“啊”"}, // 52
    {"合奏/合唱", "Voice Oohs", "人声“嘟”"}, // 53
    {"合奏/合唱", "Synth Voice", "合成人声"}, // 54
    {"合奏/合唱", "Orchestra Hit", "管弦乐敲击齐奏"}, // 55
    {"铜管", "Trumpet", "小号"}, // 56
    {"铜管", "Trombone", "长号"}, // 57
    {"铜管", "Tuba", "大号"}, // 58
    {"铜管", "Muted Trumpet", "加弱音器小号"}, // 59
    {"铜管", "French Horn", "法国号（圆号）"}, // 60
    {"铜管", "Brass Section", "铜管组（铜管乐器合奏音色）"}, // 61
    {"铜管", "Synth Brass 1", "合成铜管音色1"}, // 62
    {"铜管", "Synth Brass 2", "合成铜管音色2"}, // 63
    {"簧管", "Soprano Sax", "高音萨克斯风"}, // 64
    {"簧管", "Alto Sax", "次中音萨克斯风"}, // 65
    {"簧管", "Tenor Sax", "中音萨克斯风"}, // 66
    {"簧管", "Baritone Sax", "低音萨克斯风"}, // 67
    {"簧管", "Oboe", "双簧管"}, // 68
    {"簧管", "English Horn", "英国管"}, // 69
    {"簧管", "Bassoon", "巴松（大管）"}, // 70
    {"簧管", "Clarinet", "单簧管（黑管）"}, // 71
    {"笛", "Piccolo", "短笛"}, // 72
    {"笛", "Flute", "长笛"}, // 73
    {"笛", "Recorder", "竖笛"}, // 74
    {"笛", "Pan Flute", "排箫"}, // 75
    {"笛", "Bottle Blow", "埙"}, // 76
    {"笛", "Shakuhachi", "日本尺八"}, // 77
    {"笛", "Whistle", "口哨声"}, // 78
    {"笛", "Ocarina", "奥卡雷那"}, // 79
    {"合成主音", "Lead 1 (square)", "合成主音1（方波）"}, // 80
    {"合成主音", "Lead 2 (sawtooth)", "合成主音2（锯齿波）"}, // 81
    {"合成主音", "Lead 3 (caliope lead)", "合成主音3"}, // 82
    {"合成主音", "Lead 4 (chiff lead)", "合成主音4"}, // 83
    {"合成主音", "Lead 5 (charang)", "合成主音5"}, // 84
    {"合成主音", "Lead 6 (voice)", "合成主音6（人声）"}, // 85
    {"合成主音", "Lead 7 (fifths)", "合成主音7（平行五度）"}, // 86
    {"合成主音", "Lead 8 (bass+lead)", "合成主音8（贝司加主音）"}, // 87
    {"合成音色", "Pad 1 (new age)", "合成音色1（新世纪）"}, // 88
    {"合成音色", "Pad 2 (warm)", "合成音色2 （温暖）"}, // 89
    {"合成音色", "Pad 3 (polysynth)", "合成音色3"}, // 90
    {"合成音色", "Pad 4 (choir)", "合成音色4 （合唱）"}, // 91
    {"合成音色", "Pad 5 (bowed)", "合成音色5"}, // 92
    {"合成音色", "Pad 6 (metallic)", "合成音色6 （金属声）"}, // 93
    {"合成音色", "Pad 7 (halo)", "合成音色7 （光环）"}, // 94
    {"合成音色", "Pad 8 (sweep)", "合成音色8"}, // 95
    {"合成效果", "FX 1 (rain)", "合成效果 1 雨声"}, // 96
    {"合成效果", "FX 2 (soundtrack)", "合成效果 2 音轨"}, // 97
    {"合成效果", "FX 3 (crystal)", "合成效果 3 水晶"}, // 98
    {"合成效果", "FX 4 (atmosphere)", "合成效果 4 大气"}, // 99
    {"合成效果", "FX 5 (brightness)", "合成效果 5 明亮"}, // 100
    {"合成效果", "FX 6 (goblins)", "合成效果 6 鬼怪"}, // 101
    {"合成效果", "FX 7 (echoes)", "合成效果 7 回声"}, // 102
    {"合成效果", "FX 8 (sci-fi)", "合成效果 8 科幻"}, // 103
    {"民间乐器", "Sitar", "西塔尔（印度）"}, // 104
    {"民间乐器", "Banjo", "班卓琴（美洲）"}, // 105
    {"民间乐器", "Shamisen", "三昧线（日本）"}, // 106
    {"民间乐器", "Koto", "十三弦筝（日本）"}, // 107
    {"民间乐器", "Kalimba", "卡林巴"}, // 108
    {"民间乐器", "Bagpipe", "风笛"}, // 109
    {"民间乐器", "Fiddle", "民族提琴"}, // 110
    {"民间乐器", "Shanai", "山奈"}, // 111
    {"打击乐器", "Tinkle Bell", "叮当铃"}, // 112
    {"打击乐器", "Agogo", "[Agogo]"}, // 113
    {"打击乐器", "Steel Drums", "钢鼓"}, // 114
    {"打击乐器", "Woodblock", "木鱼"}, // 115
    {"打击乐器", "Taiko Drum", "太鼓"}, // 116
    {"打击乐器", "Melodic Tom", "通通鼓"}, // 117
    {"打击乐器", "Synth Drum", "合成鼓"}, // 118
    {"打击乐器", "Reverse Cymbal", "铜钹"}, // 119
    {"声音特效", "Guitar Fret Noise", "吉他换把杂音"}, // 120
    {"声音特效", "Breath Noise", "呼吸声"}, // 121
    {"声音特效", "Seashore", "海浪声"}, // 122
    {"声音特效", "Bird Tweet", "鸟鸣"}, // 123
    {"声音特效", "Telephone Ring", "电话铃"}, // 124
    {"声音特效", "Helicopter", "直升机"}, // 125
    {"声音特效", "Applause", "鼓掌声"}, // 126
    {"声音特效", "Gunshot", "枪声"}, // 127
}};

QString InstrumentLine(const TChannelSet& channels, int program)
{
    if (program < 0 || program >= TamberCount)
        throw std::out_of_range("program number " + std::to_string(program) + " is not 0..127");
    QString line = QStringLiteral("ch:");
    for (int channel : channels) {
        if (channel >= 16)
            break;
        line += QString::number(channel) + u' ';
    }
    const std::string_view name = TamberTable[program].ChineseName;
    line += QStringLiteral(" 键盘音色：") + QString::fromUtf8(name.data(), qsizetype(name.size()));
    return line;
}
