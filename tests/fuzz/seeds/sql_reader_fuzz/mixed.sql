# c
DELETE FROM t
@S=1;Sheet1;3;2
SELECT '[A]' # x
@T=3;Name
SELECT 1
@=2;2;1;1;1;9
SELECT '#'
@bad
