local l = {}
local s = "kestrel"
local n = 0
for i = 0, 1000000 - 1 do
  table.insert(l, i % 100)
  n = n + (s:find("r", 1, true) - 1)
end
print(#l)
print(n)
