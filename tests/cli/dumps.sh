# The debugging listings of the command line.
source "$(dirname "$0")/common.bash"

printf 'x = 7 \\ 2\n' > "$work/div.kv"
expect_output tokens 0 'Identifier "x" 1 0 1
Operator "=" 1 2 3
Number "7" 1 4 5
Operator "\\" 1 6 7
Number "2" 1 8 9
Newline "\n" 2 9 10' -- --tokens "$work/div.kv"

expect_output tokens-missing 1 "Can't read file \"$work/none.kv\"" -- --tokens "$work/none.kv"

printf 'print("hi")\n' > "$work/hello.kv"
expect_output ast 0 'Program line:0
  VarPipe line:1
    Var "print" line:1
    Parens "(" line:1
      String "hi" line:1' -- --ast "$work/hello.kv"

printf 'x = (1 +\n' > "$work/bad.kv"
expect_output ast-error 1 "Parser exception: 末尾位置为数值运算符：不允许!(\"$work/bad.kv\")
  [line:1, pos:5] x = (1 <<" -- --ast "$work/bad.kv"

expect_output dis 0 '   0  EnterScope          scope=0                 discard=1
   1  PushString          "hi"                    discard=0
   2  PushInt             1                       discard=1
   3  CallBuiltin         0                       discard=1
   4  PushNull                                    discard=1
   5  Return                                      discard=1' -- --dis "$work/hello.kv"
expect_output dis-error 1 "Parser exception: 末尾位置为数值运算符：不允许!(\"$work/bad.kv\")
  [line:1, pos:5] x = (1 <<" -- --dis "$work/bad.kv"

# The records the machine runs for a counted loop: the counter's compare and
# jump, its increment and the print's argument count are fused, each fused
# record followed by the plain ones of its run, and End closes the list.
# Without fusion the same positions hold plain records only; the listing of
# the compiled instructions is the same either way.
printf 'var i = 0\nwhile (i < 3) { i = i + 1 }\nprint(i)\n' > "$work/loop.kv"
expect_output dis-exec 0 '   0  EnterScope
   1  PushInt             0
   2  StoreLocal          0  discard
   3  Jump                -> 9
   4  UpdateLocalInt      slot=0 Add int=1  [4..7]
   5  PushInt             1
   6  OpStoreLocal        Add store slot=0  [6..7]
   7  StoreLocal          0  discard
   8  Label
   9  JumpIfLocalCmpInt   slot=0 Less int=3 if true -> 4  [9..12]
  10  PushInt             3
  11  Less
  12  JumpIfTrue          -> 4
  13  Label
  14  LoadLocal           0
  15  CallBuiltinCount    builtin=0 count=1  [15..16]  discard
  16  CallBuiltin         0  discard
  17  PushNull
  18  Return
  19  End' -- --dis=exec "$work/loop.kv"
KESTREL_NO_FUSION=1 expect_output dis-exec-plain 0 '   0  EnterScope
   1  PushInt             0
   2  StoreLocal          0  discard
   3  Jump                -> 9
   4  LoadLocal           0
   5  PushInt             1
   6  Add
   7  StoreLocal          0  discard
   8  Label
   9  LoadLocal           0
  10  PushInt             3
  11  Less
  12  JumpIfTrue          -> 4
  13  Label
  14  LoadLocal           0
  15  PushInt             1
  16  CallBuiltin         0  discard
  17  PushNull
  18  Return
  19  End' -- --dis=exec "$work/loop.kv"
loop_listing='   0  EnterScope          scope=0                 discard=1
   1  PushInt             0                       discard=0
   2  StoreLocal          0                       discard=1
   3  Jump                8                       discard=1
   4  LoadLocal           0                       discard=0
   5  PushInt             1                       discard=0
   6  Add                                         discard=0
   7  StoreLocal          0                       discard=1
   8  Label                                       discard=1
   9  LoadLocal           0                       discard=0
  10  PushInt             3                       discard=0
  11  Less                                        discard=0
  12  JumpIfTrue          4                       discard=1
  13  Label                                       discard=1
  14  LoadLocal           0                       discard=0
  15  PushInt             1                       discard=1
  16  CallBuiltin         0                       discard=1
  17  PushNull                                    discard=1
  18  Return                                      discard=1'
expect_output dis-loop 0 "$loop_listing" -- --dis "$work/loop.kv"
KESTREL_NO_FUSION=1 expect_output dis-loop-plain 0 "$loop_listing" -- --dis "$work/loop.kv"
expect_output dis-exec-error 1 "Parser exception: 末尾位置为数值运算符：不允许!(\"$work/bad.kv\")
  [line:1, pos:5] x = (1 <<" -- --dis=exec "$work/bad.kv"

finish
