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

finish
