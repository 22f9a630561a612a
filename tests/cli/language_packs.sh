# Start-up's objects model and language packs, each case in a fresh working
# directory holding its own objects.json and lang/ files.
source "$(dirname "$0")/common.bash"

HEAD='[Kestrel 0.1.0 Internal version]
[Loading actions model] Actions model loaded.'
OBJECTS_OK='[Loading objects model] Objects model loaded.'

# The compiled-module cache does not depend on the packs loaded, so every run
# here compiles from source.
expect() { rm -f ./*.kvc; expect_output "$@"; }
# fresh: enters a new empty working directory.
fresh() { cd "$(mktemp -d "$work/case.XXXXXX")" || exit 1; }
# put FILE TEXT: writes TEXT (and a line end) to FILE, making its folder.
put() { mkdir -p "$(dirname "$1")"; printf '%s\n' "$2" > "$1"; }
index_of() { put lang/LANG.json "[{\"name\": \"$1\", \"local\": \"$2\", \"exist\": $3}]"; }
# A pack "T" mapping 真 to true, and a script that prints [true] while the
# pack is loaded and [] (an unknown name is null) while it is not.
put_probe() {
    put lang/T.json '{"keywords": {"true": {"name": "真"}}}'
    put s.kv 'print("[", 真, "]")'
}

# No objects.json: the error, no language pack, localized words stay names.
fresh; put_probe; index_of T 测试 true
expect no-objects 0 "$HEAD
[Loading objects model] Can't find objects meta file \"objects.json\"!
! Error initialize.
[]" -- s.kv
expect no-objects-quiet 0 "Can't find objects meta file \"objects.json\"!
! Error initialize.
[]" -- -q s.kv

# objects.json must parse; any well-formed document will do.
fresh; put_probe; index_of T 测试 false
put objects.json '{}'
expect objects-empty-object 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
Keywords mapping model loaded.
[Initialize finished]
[]" -- s.kv
for bad in '{' '{} x' '' '   '; do
    printf '%s' "$bad" > objects.json
    expect "objects-malformed-'$bad'" 0 "Error read file \"objects.json\"!
! Error initialize.
[]" -- -q s.kv
done
rm objects.json; mkdir objects.json
expect objects-directory 0 "Error read file \"objects.json\"!
! Error initialize.
[]" -- -q s.kv
rmdir objects.json
head -c 200000 /dev/zero | tr '\0' '[' > objects.json
expect objects-deeply-nested 0 "Error read file \"objects.json\"!
! Error initialize.
[]" -- -q s.kv

# The index: missing, malformed, null, not an array, empty.
fresh; put objects.json '{}'; put s.kv 'print("ran")'
expect index-missing 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] Local language file \"lang/LANG.json\" not found!
! Error initialize.
ran" -- s.kv
put lang/LANG.json '[{"name": "T",'
expect index-malformed 0 "Can't read local language file \"lang/LANG.json\"!
! Error initialize.
ran" -- -q s.kv
put lang/LANG.json 'null'
expect index-null 0 "No language defined in file \"lang/LANG.json\"!
! Error initialize.
ran" -- -q s.kv
put lang/LANG.json '[]'
expect index-empty 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] ! Error initialize.
ran" -- s.kv
expect index-empty-quiet 0 "! Error initialize.
ran" -- -q s.kv
put lang/LANG.json '{"name": "T", "exist": true}'
expect index-object 0 "! Error initialize.
ran" -- -q s.kv
head -c 200000 /dev/zero | tr '\0' '{' > lang/LANG.json
expect index-deeply-nested 0 "Can't read local language file \"lang/LANG.json\"!
! Error initialize.
ran" -- -q s.kv

# "exist" counts only as the JSON boolean true.
fresh; put objects.json '{}'; put_probe
for exist in '"true"' 1 false null '[true]'; do
    index_of T 测试 "$exist"
    expect "exist-$exist" 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
Keywords mapping model loaded.
[Initialize finished]
[]" -- s.kv
done
put lang/LANG.json '[{"name": "T", "local": "测试"}]'
expect exist-absent 0 "[]" -- -q s.kv
index_of T 测试 true
expect exist-true 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
  >> Language \"测试\" loaded!
Keywords mapping model loaded.
[Initialize finished]
[true]" -- s.kv

# Packs that fail are reported and do not stop the others; odd index entries
# read as empty texts.
fresh; put objects.json '{}'; put s.kv '说("ok")'
put lang/good.json '{"actions": {"print": {"name": "说"}}}'
put lang/bad.json '{"actions": '
put lang/LANG.json '[5, "x", {"name": "gone", "local": "无", "exist": true},
  {"name": "bad", "local": "坏", "exist": true}, {"name": {}, "local": [], "exist": true},
  {"name": "good", "local": 3, "exist": true}]'
expect packs-mixed 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
  >> !Language file \"lang/gone.json\" not found!
  >> !Can't read language file \"lang/bad.json\"!
  >> !Language file \"lang/.json\" not found!
  >> Language \"3\" loaded!
Keywords mapping model loaded.
[Initialize finished]
ok" -- s.kv
expect packs-mixed-quiet 0 "  >> !Language file \"lang/gone.json\" not found!
  >> !Can't read language file \"lang/bad.json\"!
  >> !Language file \"lang/.json\" not found!
ok" -- -q s.kv
head -c 200000 /dev/zero | tr '\0' '[' > lang/bad.json
expect pack-deeply-nested 0 "  >> !Language file \"lang/gone.json\" not found!
  >> !Can't read language file \"lang/bad.json\"!
  >> !Language file \"lang/.json\" not found!
ok" -- -q s.kv

# Members of the wrong type are skipped; string and array spellings both
# count, non-string array elements do not.
fresh; put objects.json '{}'; index_of P 样例 true
put lang/P.json '{
  "keywords": {"var": {"name": ["设", 7, null, "令"]}, "if": "如果", "else": {"name": 5},
               "while": {"name": {"x": 1}}, "return": null, "func": []},
  "actions": [1, 2],
  "objects": {"List": 5, "Map": {"name": {}, "properties": [], "methods": {"get": "取"}},
              "String": {"name": ["串"], "methods": {"sub": {"name": "截"}}}}}'
put s.kv '设 a = 1
令 b = 2
var 如果 = 3
print(a + b + 如果)'
expect wrong-member-types 0 "6" -- -q s.kv
put s.kv 'print("[", 真, "]")'
for pack in '[]' '"text"' '12' 'null' '{"keywords": 1, "actions": null, "objects": "x"}' \
            '{"keywords": {"true": {"name": {"x": "真"}}}}'; do
    put lang/P.json "$pack"
    expect "pack-shape-$pack" 0 "$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
  >> Language \"样例\" loaded!
Keywords mapping model loaded.
[Initialize finished]
[]" -- s.kv
done

# A spelling under both "keywords" and "actions" is the action; a later pack
# overrides an earlier one.
fresh; put objects.json '{}'; index_of K 甲 true
put lang/K.json '{"keywords": {"if": {"name": "说"}}, "actions": {"print": {"name": "说"}}}'
put s.kv '说("said")'
expect keyword-and-action 0 "said" -- -q s.kv
put lang/A.json '{"actions": {"isNull": {"name": "写"}}}'
put lang/B.json '{"actions": {"print": {"name": "写"}}}'
put lang/LANG.json '[{"name": "A", "local": "甲", "exist": true}, {"name": "B", "local": "乙", "exist": true}]'
put s.kv '写("later pack wins")'
expect later-pack-wins 0 "later pack wins" -- -q s.kv

# Localized punctuation and literal words take the kind of the built-in word.
fresh; put objects.json '{}'; index_of P 符号 true
put lang/P.json '{"keywords": {"{": {"name": "开始"}, "}": {"name": "结束"}, "(": {"name": "左"},
  ")": {"name": "右"}, ",": {"name": "和"}, "true": {"name": "是"}, "null": {"name": "无"}}}'
put s.kv 'if 左 是 右 开始 print 左 "yes" 和 无 右 结束 else 开始 print("no") 结束'
expect punctuation-words 0 "yes" -- -q s.kv

# A whole program in a pack of its own, with full-width punctuation.
fresh; put objects.json '{}'; index_of Z 中文 true
put lang/Z.json '{
  "keywords": {"var": {"name": "变量"}, "func": {"name": "函数"}, "return": {"name": "返回"},
               "if": {"name": "如果"}, "else": {"name": "否则"}, "while": {"name": "当"}},
  "actions": {"print": {"name": ["打印", "输出"]}, "isInt": {"name": "是整数"}}}'
put s.kv '函数 平方（数）｛ 返回 数 ＊ 数 ｝
变量 甲 ＝ 1
当 （甲 <＝ 3） ｛
    如果 （甲 ＝＝ 2） ｛ 打印（“二：”，平方（甲）） ｝ 否则 ｛ 输出（甲，“：”，平方（甲）） ｝
    甲 ＋＝ 1
｝
打印（是整数（甲））'
expect localized-program 0 "1：1
二：4
3：9
true" -- -q s.kv

# A pack stored as UTF-16 is decoded like any source file.
if command -v iconv >/dev/null; then
    printf '{"actions": {"print": {"name": "打印"}}}' | iconv -f UTF-8 -t UTF-16 > lang/Z.json
    put s.kv '打印（“utf-16”）'
    expect pack-utf16 0 "utf-16" -- -q s.kv
fi

# A large pack loads; its last spelling is in force.
fresh; put objects.json '{}'; index_of L 大 true
{ printf '{"keywords": {'
  for ((i = 0; i < 20000; i++)); do printf '"w%d": {"name": "词%d"}, ' "$i" "$i"; done
  printf '"true": {"name": "真"}}}'; } > lang/L.json
put s.kv 'print("[", 真, "]")'
expect large-pack 0 "[true]" -- -q s.kv

# The shipped data: from the repository root the Chinese pack loads and the
# Chinese example runs, from source and then from its cache.
cd "$ROOT"
want_example="$HEAD
$OBJECTS_OK
[Loading keywords mapping model] 
  >> Language \"简体中文\" loaded!
Keywords mapping model loaded.
[Initialize finished]
1 到 10 的和是 55
1! = 1
3! = 6
5! = 120
总和不能被 3 整除
你好，世界！
捕获到异常：出错了
水果是列表：[苹果, 香蕉, 橙子]
真不等于假，空等于空"
rm -f examples/chinese.kvc
expect_output shipped-example 0 "$want_example" -- examples/chinese.kv
expect_output shipped-example-cached 0 "$want_example" -- examples/chinese.kv
rm -f examples/chinese.kvc

finish
