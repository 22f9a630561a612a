local s = "x"
for i = 1, 20 do
  s = s .. s
end
local n = 0
for round = 1, 8 do
  n = n + #(s:gsub("x", "yy"))
end
print(n)
